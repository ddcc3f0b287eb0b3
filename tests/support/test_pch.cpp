// The program that makes the test programs' shared precompiled header
// (VANTRO_TEST_PCH). It is never run as a test; GoogleTest's main finds no cases.
#include <gtest/gtest.h>
