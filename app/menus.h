// The right-button menu and its four handlers.
#pragma once

void buildMenus();
void onRakeMenu(int value);
void onRockMenu(int value);
void onSandMenu(int value);
void onMainMenu(int value);
