#include "base/byte_slice.h"

#include <gtest/gtest.h>

using namespace talvena;

TEST(SharedSlice, SharesStorageUntilChangedAndOutlivesTheWhole)
{
    QByteArray whole(200000, 'a');
    whole.replace(100000, 3, "xyz");
    QByteArray slice = SharedSlice(whole, 100000, 50000);
    EXPECT_EQ(slice.size(), 50000);
    EXPECT_TRUE(slice.startsWith("xyz"));
    EXPECT_EQ(slice.constData(), whole.constData() + 100000); // no copy

    // Changing either side detaches it; the other keeps its bytes.
    QByteArray other = SharedSlice(whole, 0, 10);
    slice[0] = 'X';
    EXPECT_EQ(whole[100000], 'x');
    whole[1] = 'B';
    EXPECT_EQ(other, QByteArray(10, 'a'));

    // The slice stays valid after the whole array is gone, and can grow safely.
    QByteArray kept = SharedSlice(whole, 100001, 2);
    whole = QByteArray();
    kept.append("!!");
    EXPECT_EQ(kept, "yz!!");
    EXPECT_TRUE(SharedSlice(kept, 3, 5).isEmpty()); // out of range
    EXPECT_EQ(SharedSlice(QByteArray::fromRawData("abcdef", 6), 1, 2), "bc");
}
