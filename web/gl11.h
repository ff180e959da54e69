// Included before every file compiled over the browser's GL layer (the
// garden, GLU and anything else that draws the garden's way): it renames
// exactly the OpenGL 1.1 and GLUT calls the layer answers, so <GL/gl.h> and
// <GL/glut.h> declare them under the layer's names and they never meet the
// WebGL bindings of the same names, which the layer itself calls.
#pragma once

#define glBegin sandmereGlBegin
#define glEnd sandmereGlEnd
#define glVertex3f sandmereGlVertex3f
#define glNormal3f sandmereGlNormal3f
#define glTexCoord2f sandmereGlTexCoord2f
#define glColor3f sandmereGlColor3f
#define glColor4f sandmereGlColor4f

#define glMatrixMode sandmereGlMatrixMode
#define glLoadIdentity sandmereGlLoadIdentity
#define glPushMatrix sandmereGlPushMatrix
#define glPopMatrix sandmereGlPopMatrix
#define glMultMatrixd sandmereGlMultMatrixd
#define glMultMatrixf sandmereGlMultMatrixf
#define glTranslatef sandmereGlTranslatef
#define glTranslated sandmereGlTranslated
#define glRotatef sandmereGlRotatef
#define glScalef sandmereGlScalef
#define glOrtho sandmereGlOrtho

#define glEnable sandmereGlEnable
#define glDisable sandmereGlDisable
#define glBlendFunc sandmereGlBlendFunc
#define glDepthFunc sandmereGlDepthFunc
#define glDepthMask sandmereGlDepthMask
#define glDepthRange sandmereGlDepthRange
#define glClear sandmereGlClear
#define glClearColor sandmereGlClearColor
#define glViewport sandmereGlViewport
#define glShadeModel sandmereGlShadeModel
#define glLightfv sandmereGlLightfv

#define glBindTexture sandmereGlBindTexture
#define glTexImage2D sandmereGlTexImage2D
#define glTexSubImage2D sandmereGlTexSubImage2D
#define glTexParameteri sandmereGlTexParameteri
#define glTexParameterf sandmereGlTexParameterf
#define glTexEnvi sandmereGlTexEnvi
#define glCopyTexSubImage2D sandmereGlCopyTexSubImage2D
#define glPixelStorei sandmereGlPixelStorei
#define glDrawPixels sandmereGlDrawPixels
#define glReadPixels sandmereGlReadPixels
#define glReadBuffer sandmereGlReadBuffer
#define glDrawBuffer sandmereGlDrawBuffer

#define glPushAttrib sandmereGlPushAttrib
#define glPopAttrib sandmereGlPopAttrib
#define glPushClientAttrib sandmereGlPushClientAttrib
#define glPopClientAttrib sandmereGlPopClientAttrib
#define glEnableClientState sandmereGlEnableClientState
#define glDisableClientState sandmereGlDisableClientState
#define glVertexPointer sandmereGlVertexPointer
#define glNormalPointer sandmereGlNormalPointer
#define glTexCoordPointer sandmereGlTexCoordPointer
#define glDrawElements sandmereGlDrawElements

#define glFinish sandmereGlFinish
#define glGetString sandmereGlGetString

// The window's buffers are the layer's: a swap shows its back buffer.
#define glutCreateWindow sandmereGlutCreateWindow
#define glutSwapBuffers sandmereGlutSwapBuffers
// The garden's input callbacks are kept by the layer, which the page
// delivers every event through (web/input.cpp).
#define glutDisplayFunc sandmereGlutDisplayFunc
#define glutKeyboardFunc sandmereGlutKeyboardFunc
#define glutMouseFunc sandmereGlutMouseFunc
#define glutMotionFunc sandmereGlutMotionFunc
