// Drawing of the world and the status display.
#include "game/game.h"

void Game::Render() {}

void Game::DrawShape(b2Body* body, b2Shape* shape, DWORD color) {
    (void)body;
    (void)shape;
    (void)color;
}

void Game::RestoreGfx() {}
