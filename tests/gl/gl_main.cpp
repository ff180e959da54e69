#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cstring>

#include "gl_window.h"

std::vector<unsigned char> readBackBuffer() {
    std::vector<unsigned char> rgb(600 * 600 * 3);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, 600, 600, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0) listing = true;
    if (!listing) {
        glutInit(&argc, argv);
        glutInitWindowSize(600, 600);
        // Fully on screen, so no pixel of the window is lost to the edge.
        glutInitWindowPosition(16, 16);
        glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
        glutCreateWindow("Sandmere pixel tests");
    }
    return RUN_ALL_TESTS();
}
