#pragma once
// The panel's edits on their way to the host: written by the editor's own thread, read on the host's UI
// thread. One writer, one reader, no lock.
#include <array>
#include <atomic>
#include <cstdint>

namespace KVX::Vst3
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
    float value;
};

class CEditQueue
{
public:
    // False when full: the host has not run its loop for a thousand edits, and the edit is dropped.
    bool Push(const PanelEdit& edit)
    {
        const std::uint32_t head = m_Head.load(std::memory_order_relaxed);
        if (head - m_Tail.load(std::memory_order_acquire) >= kCapacity)
        {
            return false;
        }
        m_Edits[head % kCapacity] = edit;
        m_Head.store(head + 1, std::memory_order_release);
        return true;
    }

    bool Pop(PanelEdit& edit)
    {
        const std::uint32_t tail = m_Tail.load(std::memory_order_relaxed);
        if (tail == m_Head.load(std::memory_order_acquire))
        {
            return false;
        }
        edit = m_Edits[tail % kCapacity];
        m_Tail.store(tail + 1, std::memory_order_release);
        return true;
    }

private:
    static constexpr std::uint32_t kCapacity = 1024;
    std::array<PanelEdit, kCapacity> m_Edits{};
    std::atomic<std::uint32_t> m_Head{0};
    std::atomic<std::uint32_t> m_Tail{0};
};
} // namespace KVX::Vst3
