// SPDX-License-Identifier: GPL-3.0-or-later
// The panel's edit queue: the order edits leave in, what a full queue drops and keeps, and one writer
// thread against one reader thread through many wrap-arounds.
#include "device/edit_queue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

namespace KVX
{
namespace
{
using Kind = PanelEdit::Kind;

TEST(EditQueue, HandsEditsOutInOrderAndPeekLeavesThemInPlace)
{
    CEditQueue queue;
    EXPECT_TRUE(queue.Empty());
    PanelEdit edit{};
    EXPECT_FALSE(queue.Pop(edit));

    ASSERT_TRUE(queue.Push({Kind::Begin, 3, 0.0f}));
    ASSERT_TRUE(queue.Push({Kind::Value, 3, 0.25f}));
    ASSERT_TRUE(queue.Push({Kind::End, 3, 0.0f}));

    // A reader that cannot pass the oldest on finds the same one again.
    const PanelEdit* oldest = queue.Peek();
    ASSERT_NE(oldest, nullptr);
    EXPECT_EQ(oldest->kind, Kind::Begin);
    EXPECT_EQ(queue.Peek(), oldest);
    queue.Drop();

    ASSERT_TRUE(queue.Pop(edit));
    EXPECT_EQ(edit.kind, Kind::Value);
    EXPECT_EQ(edit.index, 3);
    EXPECT_EQ(edit.value, 0.25f);
    ASSERT_TRUE(queue.Pop(edit));
    EXPECT_EQ(edit.kind, Kind::End);
    EXPECT_TRUE(queue.Empty());
    EXPECT_FALSE(queue.Pop(edit));
}

TEST(EditQueue, AFullQueueDropsValuesButKeepsRoomForGestures)
{
    CEditQueue queue;
    std::size_t values = 0;
    while (queue.Push({Kind::Value, 0, static_cast<float>(values)}))
    {
        ++values;
    }
    EXPECT_EQ(values, CEditQueue::kCapacity - CEditQueue::kGestureReserve);

    std::size_t gestures = 0;
    while (queue.Push({gestures % 2 == 0 ? Kind::End : Kind::Begin, 1, 0.0f}))
    {
        ++gestures;
    }
    EXPECT_EQ(gestures, CEditQueue::kGestureReserve);

    // What was dropped is gone; what was taken comes out whole and in order, and the room is reusable.
    PanelEdit edit{};
    for (std::size_t i = 0; i < values; ++i)
    {
        ASSERT_TRUE(queue.Pop(edit));
        ASSERT_EQ(edit.kind, Kind::Value);
        ASSERT_EQ(edit.value, static_cast<float>(i));
    }
    for (std::size_t i = 0; i < gestures; ++i)
    {
        ASSERT_TRUE(queue.Pop(edit));
        ASSERT_EQ(edit.kind, i % 2 == 0 ? Kind::End : Kind::Begin);
    }
    EXPECT_TRUE(queue.Empty());
    EXPECT_TRUE(queue.Push({Kind::Value, 2, 0.5f}));
}

TEST(EditQueue, OneWriterAndOneReaderThreadSeeEveryEditInOrder)
{
    // Far more edits than the queue holds: the two sides meet at the full and the empty end many times.
    constexpr std::int32_t kGestures = 20000;
    static CEditQueue queue; // large: kept off the test thread's stack
    std::thread writer(
        []
        {
            for (std::int32_t i = 0; i < kGestures; ++i)
            {
                const PanelEdit triple[] = {{Kind::Begin, i % 11, 0.0f},
                                            {Kind::Value, i % 11, static_cast<float>(i)},
                                            {Kind::End, i % 11, 0.0f}};
                for (const PanelEdit& edit : triple)
                {
                    while (!queue.Push(edit))
                    {
                        std::this_thread::yield();
                    }
                }
            }
        });
    std::vector<PanelEdit> seen;
    seen.reserve(3 * kGestures);
    while (seen.size() < 3 * static_cast<std::size_t>(kGestures))
    {
        if (const PanelEdit* edit = queue.Peek())
        {
            seen.push_back(*edit);
            queue.Drop();
        }
    }
    writer.join();
    for (std::size_t i = 0; i < seen.size(); ++i)
    {
        const auto gesture = static_cast<std::int32_t>(i / 3);
        ASSERT_EQ(static_cast<int>(seen[i].kind), static_cast<int>(i % 3)) << i;
        ASSERT_EQ(seen[i].index, gesture % 11) << i;
        if (seen[i].kind == Kind::Value)
        {
            ASSERT_EQ(seen[i].value, static_cast<float>(gesture)) << i;
        }
    }
    EXPECT_TRUE(queue.Empty());
}
} // namespace
} // namespace KVX
