// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The panel's edits (begin, value, end) on their way from the panel's own thread to the thread that
// hands them to the host. One writer (the panel), one reader at a time; no lock, no allocation, so the
// reader may be the audio thread.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace KVX
{
struct PanelEdit
{
    enum class Kind : std::uint8_t
    {
        Begin,
        Value,
        End
    };
    Kind kind;
    std::int32_t index;
    float value; // normalised, for Value
};

class CEditQueue
{
public:
    static constexpr std::size_t kCapacity = 4096;
    // Room kept for gesture beginnings and ends: a host that collects nothing for a long drag loses
    // intermediate values, never the end of a gesture.
    static constexpr std::size_t kGestureReserve = 64;

    // False when the edit had to be dropped.
    bool Push(const PanelEdit& edit)
    {
        const std::size_t tail = m_Tail.load(std::memory_order_relaxed);
        const std::size_t used = tail - m_Head.load(std::memory_order_acquire);
        const std::size_t limit =
            edit.kind == PanelEdit::Kind::Value ? kCapacity - kGestureReserve : kCapacity;
        if (used >= limit)
        {
            return false;
        }
        m_Slots[tail % kCapacity] = edit;
        m_Tail.store(tail + 1, std::memory_order_release);
        return true;
    }

    // The oldest edit, left in place until Drop: a host that cannot take it now gets it next time.
    const PanelEdit* Peek() const
    {
        const std::size_t head = m_Head.load(std::memory_order_relaxed);
        return head == m_Tail.load(std::memory_order_acquire) ? nullptr : &m_Slots[head % kCapacity];
    }

    // Only after Peek has shown an edit.
    void Drop() { m_Head.store(m_Head.load(std::memory_order_relaxed) + 1, std::memory_order_release); }

    bool Pop(PanelEdit& edit)
    {
        const PanelEdit* oldest = Peek();
        if (oldest == nullptr)
        {
            return false;
        }
        edit = *oldest;
        Drop();
        return true;
    }

    bool Empty() const { return Peek() == nullptr; }

private:
    std::array<PanelEdit, kCapacity> m_Slots{};
    std::atomic<std::size_t> m_Head{0};
    std::atomic<std::size_t> m_Tail{0};
};
} // namespace KVX
