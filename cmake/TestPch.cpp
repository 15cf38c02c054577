// The executable that carries the precompiled GoogleTest header.
#include <gtest/gtest.h>
