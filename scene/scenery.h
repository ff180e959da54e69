// The rocks as spheres and the background picture of display mode.
#pragma once

void drawSceneRocks();
// The literal background: white colour, then the picture by glDrawPixels.
// The garden's frames use the two below instead; this is their reference.
void drawBackground();
// Uploads the shown part of each background picture into its kept texture
// (firstBackgroundTexture + entry). Start-up calls it once the window is
// open; whoever replaces a picture in backgroundImages calls it again.
void keepBackgroundPictures();
// The chosen picture, drawn last in a display-mode frame from its kept
// texture into the pixels nothing else covered: the same window as
// drawBackground painted first. Leaves all GL state as it found it.
void fillBackground();
