// The engine callbacks of the game.
#pragma once

// Frame callback: mouse capture, Escape, then the game's update; true ends the frame loop.
bool GameFrame();
// Render callback: draws the game; always false.
bool GameRender();
// Graphics-restore callback: re-attaches the render target's texture; always true.
bool GameRestoreGfx();
