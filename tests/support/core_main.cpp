// Test main for the test binaries of the plain C++ layers: no Qt
// application, no display.
#include <gmock/gmock.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
