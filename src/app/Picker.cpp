#include "app/Picker.h"

#include "app/App.h"
#include "app/Display.h"
#include "app/GL.h"
#include "resources/Mesh.h"
#include "scene/SceneObject.h"

Picker::Picker()
{
    pickables.reserve(1024);
    candidates.reserve(64);
}

bool Picker::isHovered() const
{
    return hovered != nullptr && hovered == app.currentObject;
}

void pickableHook(int32_t phase, int32_t value)
{
    if (phase == PHASE_BEFORE_MESHES)
        app.picker.pickables.push_back(app.currentObject);
}

static void drawSilhouette(const SceneObject &object)
{
    for (int32_t i = 0; i < object.meshCount; i++)
        object.meshes[i]->drawGeometry();
}

// False when no mesh of the object can reach the region that `projection`
// (the pick matrix times the camera's) looks at: drawing it in selection
// mode could not make a hit, so it is left out. Each draw costs the driver
// a heap allocation or two and a pass over every vertex.
static bool mayHit(const SceneObject &object, const double projection[16])
{
    for (int32_t i = 0; i < object.meshCount; i++)
        if (!object.meshes[i]->outsideView(projection))
            return true;
    return false;
}

// Selection mode over every registered object, 2x2 pixels around the mouse.
static int selectionPass(Picker &picker, int mouseX, int mouseY)
{
    glSelectBuffer(PICK_BUFFER_WORDS, (GLuint *)picker.selectBuffer);
    glRenderMode(GL_SELECT);
    glInitNames();
    glPushName(0);
    GLint viewport[4];
    GLdouble projection[16];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    // Centred on the middle of the pixel under the mouse (GL rows count up).
    gluPickMatrix(mouseX + 0.5, viewport[3] - mouseY - 0.5, 2, 2, viewport);
    glMultMatrixd(projection);
    GLdouble region[16];
    glGetDoublev(GL_PROJECTION_MATRIX, region);
    glMatrixMode(GL_MODELVIEW);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    for (size_t i = 0; i < picker.pickables.size(); i++) {
        if (!mayHit(*picker.pickables[i], region))
            continue;
        glLoadName((GLuint)i);
        drawSilhouette(*picker.pickables[i]);
    }
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glFlush();
    int hits = glRenderMode(GL_RENDER);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    return hits;
}

// Hit records: name count n, two depths, n names. A negative count means the
// buffer overflowed (over 63 hits) and yields no candidates.
static void collectCandidates(Picker &picker, int hits)
{
    size_t word = 0;
    for (int h = 0; h < hits && word < (size_t)PICK_BUFFER_WORDS; h++) {
        uint32_t names = picker.selectBuffer[word];
        word += 3;
        for (uint32_t n = 0; n < names && word < (size_t)PICK_BUFFER_WORDS; n++, word++) {
            uint32_t index = picker.selectBuffer[word];
            if (index < picker.pickables.size())
                picker.candidates.push_back(picker.pickables[index]);
        }
    }
}

// Flat colours (k + 2, 255, 255) for candidate k, nearest wins by depth test;
// read back at the mouse pixel. Never shown: the next frame clears it.
static int colourPass(Picker &picker, int mouseX, int mouseY, int windowHeight)
{
    // The pixel under the mouse: window row mouseY is GL row height - 1 - mouseY.
    int readY = windowHeight - 1 - mouseY;
    if (picker.scissorColourPass) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(mouseX, readY, 1, 1);
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glPushAttrib(GL_CURRENT_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    for (size_t k = 0; k < picker.candidates.size(); k++) {
        glColor3ub((GLubyte)(k + 2), 255, 255);
        drawSilhouette(*picker.candidates[k]);
    }
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_TEXTURE_2D);
    glPopAttrib();
    glFlush();
    unsigned char rgb[4] = {0, 0, 0, 0};
    glReadPixels(mouseX, readY, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    if (picker.scissorColourPass)
        glDisable(GL_SCISSOR_TEST);
    return rgb[0];
}

void Picker::pick()
{
    candidates.clear();
    int hits = selectionPass(*this, app.mouseX, app.mouseY);
    collectCandidates(*this, hits);
    pickables.clear();
    int height = app.display ? app.display->height : 0;
    int red = colourPass(*this, app.mouseX, app.mouseY, height);
    hovered = nullptr;
    if (red != 0 && red - 2 >= 0 && (size_t)(red - 2) < candidates.size())
        hovered = candidates[red - 2];
}
