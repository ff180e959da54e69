// The plan drawn from straight above: soft black rake marks and rock discs
// over the white ground. It is also the garden's height map.
#pragma once

void drawRakeMark(float x, float y);
void drawPlanRocks();
// The body of a draw-mode frame: every mark, then the rocks, over a window
// cleared to white. The marks already drawn come back from the kept image in
// one textured quad and only the newer ones are drawn, newest first; the
// picture is that of drawing every mark with drawRakeMark, within the
// rounding of the colour channels.
void drawPlanView();
