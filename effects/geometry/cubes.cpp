#include "effects/geometry/cubes.h"

#include <GL/gl.h>

#include "effects/geometry/boxes.h"

namespace quv {

namespace {

// One quad per face of BoxFaces, each normal before its four vertices.
void EmitFaces(float x, float y, float z, float hx, float hy, float hz)
{
    glBegin(GL_QUADS);
    for (const BoxFace& face : BoxFaces) {
        glNormal3f(face.normal[0], face.normal[1], face.normal[2]);
        for (const int c : face.corner)
            glVertex3f(c & 1 ? x + hx : x - hx, c & 2 ? y + hy : y - hy, c & 4 ? z + hz : z - hz);
    }
    glEnd();
}

} // namespace

void DrawCube(float x, float y, float z, float size)
{
    const float h = size * 0.5f;
    EmitFaces(x, y, z, h, h, h);
}

void DrawBox(float x, float y, float z, float sizeX, float sizeY, float sizeZ, float angleX,
             float angleY, float angleZ)
{
    glPushMatrix();
    glTranslatef(x, y, z);
    glRotatef(angleX, 1, 0, 0);
    glRotatef(angleY, 0, 1, 0);
    glRotatef(angleZ, 0, 0, 1);
    EmitFaces(0, 0, 0, sizeX * 0.5f, sizeY * 0.5f, sizeZ * 0.5f);
    glPopMatrix();
}

} // namespace quv
