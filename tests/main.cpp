#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv)
{
    // Unbuffered, so a test that hangs still shows how far it got.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
