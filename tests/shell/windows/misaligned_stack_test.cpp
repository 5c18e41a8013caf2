// SPDX-License-Identifier: GPL-3.0-or-later
// 32-bit hosts built with other compilers keep the stack aligned to 4 bytes only, where GCC's own code
// keeps 16. The plug-in's entries must work when called that way: here they are called through a
// trampoline that leaves the stack 4 bytes off a 16-byte boundary at the call.
#include "audio_scenario.h"
#include "binary_host.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

#if defined(__i386__)
// std::uint32_t CallMisaligned(function, argumentCount, arguments): copies the 32-bit arguments below a
// stack pointer that is 4 modulo 16, calls the cdecl function and returns what it left in eax.
__asm__(".text\n"
        ".globl _CallMisaligned\n"
        "_CallMisaligned:\n"
        "    push %ebp\n"
        "    mov %esp, %ebp\n"
        "    push %esi\n"
        "    push %edi\n"
        "    mov 12(%ebp), %ecx\n"
        "    mov 16(%ebp), %esi\n"
        "    lea 0(,%ecx,4), %eax\n"
        "    sub %eax, %esp\n"
        "    sub $16, %esp\n"
        "    and $-16, %esp\n"
        "    add $4, %esp\n"
        "    mov %esp, %edi\n"
        "    cld\n"
        "    rep movsl\n"
        "    call *8(%ebp)\n"
        "    lea -8(%ebp), %esp\n"
        "    pop %edi\n"
        "    pop %esi\n"
        "    pop %ebp\n"
        "    ret\n");
extern "C" std::uint32_t CallMisaligned(const void* function, std::uint32_t count,
                                        const std::uint32_t* arguments);

namespace KVX::Test
{
namespace
{
std::uint32_t Word(const void* pointer)
{
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

std::uint32_t Word(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

VstIntPtr Dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    const std::uint32_t arguments[] = {Word(effect),
                                       static_cast<std::uint32_t>(opcode),
                                       static_cast<std::uint32_t>(index),
                                       static_cast<std::uint32_t>(value),
                                       Word(ptr),
                                       Word(opt)};
    return static_cast<VstIntPtr>(
        CallMisaligned(reinterpret_cast<const void*>(effect->dispatcher), 6, arguments));
}

// The scenario's effect record with its entries routed through the trampoline.
struct Misaligned
{
    AEffect record;
    AEffect* target;
};

Misaligned* g_Current = nullptr;

VstIntPtr VSTCALLBACK MisalignedDispatcher(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                           void* ptr, float opt)
{
    return Dispatch(g_Current->target, opcode, index, value, ptr, opt);
}

void VSTCALLBACK MisalignedProcess(AEffect*, float** inputs, float** outputs, VstInt32 frames)
{
    AEffect* target = g_Current->target;
    const std::uint32_t arguments[] = {Word(target), Word(inputs), Word(outputs),
                                       static_cast<std::uint32_t>(frames)};
    CallMisaligned(reinterpret_cast<const void*>(target->processReplacing), 4, arguments);
}

void VSTCALLBACK MisalignedSetParameter(AEffect*, VstInt32 index, float value)
{
    AEffect* target = g_Current->target;
    const std::uint32_t arguments[] = {Word(target), static_cast<std::uint32_t>(index), Word(value)};
    CallMisaligned(reinterpret_cast<const void*>(target->setParameter), 3, arguments);
}

TEST(MisalignedStack, AudioAndParametersGiveTheSameResults)
{
    const AudioCase audioCase{48000.0f, 64};
    auto aligned = LoadPlugin(KVX_PLUGIN_PATH);
    auto plugin = LoadPlugin(KVX_PLUGIN_PATH);
    ASSERT_TRUE(aligned && plugin);
    const std::vector<float> expected = RunAudioCase(aligned->Effect(), audioCase);

    Misaligned misaligned{*plugin->Effect(), plugin->Effect()};
    misaligned.record.dispatcher = &MisalignedDispatcher;
    misaligned.record.processReplacing = &MisalignedProcess;
    misaligned.record.setParameter = &MisalignedSetParameter;
    g_Current = &misaligned;
    const std::vector<float> output = RunAudioCase(&misaligned.record, audioCase);
    g_Current = nullptr;
    EXPECT_EQ(output, expected);
    EXPECT_FLOAT_EQ(plugin->GetParameter(5), 0.2f);
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(MisalignedStack, TheEditorOpensDrawsAndCloses)
{
    RecordedBoxes().clear();
    auto plugin = LoadPlugin(KVX_PLUGIN_PATH);
    ASSERT_NE(plugin, nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &HostProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"KVXMisalignedHost";
    RegisterClassW(&windowClass);
    HWND host = CreateWindowExW(0, L"KVXMisalignedHost", L"", WS_POPUP | WS_VISIBLE, 0, 0, 900, 258, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(host, nullptr);
    AEffect* effect = plugin->Effect();
    ERect* rect = nullptr;
    EXPECT_EQ(Dispatch(effect, effEditGetRect, 0, 0, &rect, 0.0f), 1);
    EXPECT_EQ(Dispatch(effect, effEditOpen, 0, 0, host, 0.0f), 1);
    EXPECT_NE(FindWindowExW(host, nullptr, L"KVXGUIWindow", nullptr), nullptr);
    Dispatch(effect, effEditClose, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(FindWindowExW(host, nullptr, L"KVXGUIWindow", nullptr), nullptr);
    DestroyWindow(host);
    EXPECT_TRUE(RecordedBoxes().empty());
}
} // namespace
} // namespace KVX::Test
#endif
