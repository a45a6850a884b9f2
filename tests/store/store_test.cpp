#include <gtest/gtest.h>

#include "store/app_path_store.h"

TEST(StoreSmoke, Opens) {
    tolvane::AppPathStore store;
    EXPECT_EQ(store.OpenAppPaths(), 0);
}
