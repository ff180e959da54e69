// The right-button menu and its four handlers.
#pragma once

void buildMenus();
void onRakeMenu(int value);
void onRockMenu(int value);
void onSandMenu(int value);
void onMainMenu(int value);
// "Reset Sandbox" without the redisplay: empties the plan and the mesh,
// takes both rocks off and chooses the rake, keeping the rake type.
void resetSandbox();
