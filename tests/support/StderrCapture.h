// Captures what the code under test writes to stderr.
#pragma once

#include <string>

#include <gtest/gtest.h>

// Captures stderr from construction until text(); the capture also ends when
// an assertion leaves the test early, so the next test can capture again.
struct StderrCapture {
    bool capturing = true;
    StderrCapture() { testing::internal::CaptureStderr(); }
    ~StderrCapture()
    {
        if (capturing)
            testing::internal::GetCapturedStderr();
    }
    // Everything written since construction; ends the capture.
    std::string text()
    {
        capturing = false;
        return testing::internal::GetCapturedStderr();
    }
};
