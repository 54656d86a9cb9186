// The real full-screen display opened by the GL test main.
#include <gtest/gtest.h>

#include "app/App.h"
#include "app/Display.h"
#include "app/GL.h"

TEST(DisplayTest, DesktopModeAndVisibleExtentsMatchTheCamera)
{
    const Display *d = app.display;
    ASSERT_NE(nullptr, d);
    EXPECT_GT(d->width, 0);
    double aspect = (double)d->width / d->height;
    EXPECT_NEAR(41.421, d->halfHeightAt(100), 1e-3);
    EXPECT_NEAR(41.421 * aspect, d->halfWidthAt(100), 1e-2);
    EXPECT_NEAR(-d->halfWidthAt(26), d->halfWidthAt(-26), 1e-12);
    EXPECT_NEAR(26 * 0.414214, d->halfHeightAt(26), 1e-4);
}

// The suite runs once per mode (LUMBRIK_MULTISAMPLE unset, 0 or 1): on a
// software rasterizer the default draws without multisampling, which costs it
// about three times the time per frame.
TEST(DisplayTest, SoftwareRasterizerDrawsWithoutMultisamplingUnlessAskedFor)
{
    const Display *d = app.display;
    GLint samples = -1;
    glGetIntegerv(GL_SAMPLES, &samples);
    EXPECT_EQ(isSoftwareRenderer((const char *)glGetString(GL_RENDERER)), d->softwareRenderer);
    EXPECT_EQ(d->multisampled, samples > 0);
    if (d->multisample == MULTISAMPLE_ON) {
        EXPECT_EQ(4, samples);  // the test screens are 24-bit, where the mode exists
    } else if (d->multisample == MULTISAMPLE_OFF || d->softwareRenderer) {
        EXPECT_EQ(0, samples);
    }
}
