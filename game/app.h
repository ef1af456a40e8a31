// The engine callbacks of the game.
#pragma once

// Frame callback: mouse capture, Escape, then the game's update; true ends the frame loop.
bool GameFrame();
// Render callback: draws the game; always false.
bool GameRender();
// Graphics-restore callback: re-attaches the render target's texture; always true.
bool GameRestoreGfx();

// The engine made and given the game's states and callbacks (g_Engine).
void CreateGameEngine();
// System_Initiate, the resource script with group 0 loaded and every name the game fetches
// declared, and the game object. On failure: the error box, the engine released (g_Engine
// null) and false.
bool StartGame();
// The game and the resource manager deleted, the engine shut down and released.
void EndGame();
