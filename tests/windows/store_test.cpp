#include <gtest/gtest.h>

#include "store/win/store.h"

TEST(Store, Placeholder) { EXPECT_FALSE(qb::store::SettingsExist()); }
