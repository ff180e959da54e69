// The plan drawn from straight above: soft black rake marks and rock discs
// over the white ground. It is also the garden's height map.
#pragma once

void drawRakeMark(float x, float y);
void drawPlanRocks();
// Every mark, newest first, then the rocks: the body of a draw-mode frame.
void drawPlanView();
