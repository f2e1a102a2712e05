// The yardstick for start-up time: a window made with freeglut and nothing
// else, with the runtime's display mode and first size, cleared once drawn.
#include <GL/freeglut.h>

namespace {
void draw() {
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glutSwapBuffers();
}
}  // namespace

int main(int argc, char** argv) {
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
  glutInitWindowSize(640, 400);
  glutCreateWindow("bare");
  glutDisplayFunc(draw);
  glutMainLoop();
  return 0;
}
