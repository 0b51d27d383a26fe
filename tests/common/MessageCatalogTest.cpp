#include <gtest/gtest.h>

#include <climits>

#include "common/MessageCatalog.h"

using namespace tess;

// The texts themselves are the catalog's data; what can break is the lookup.
TEST(MessageCatalog, ListedCodesHaveATextAndNoOtherCodeHasOne) {
    for (long code : MessageCatalogCodes()) {
        SCOPED_TRACE(code);
        EXPECT_FALSE(GetMessageText(code).empty());
    }
    for (long code : {0L, -1L, -576L, 1L, 13L, 22L, 1011L, 1012L, LONG_MAX, LONG_MIN}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(GetMessageText(code), L"");
    }
}
