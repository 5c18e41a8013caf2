// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/edit.h"

#include "gui/core/gui.h"

#include <charconv>
#include <string>

namespace KVX
{
namespace
{
constexpr std::size_t kMaxCharacters = 11;
}

CEdit::CEdit(CGUI* panel, const WidgetSpec& record) : CWidget(panel, record)
{
    m_WidthAnim.current = m_WidthAnim.target = 50.0f;
    m_Height = 15;
}

Platform::TextField* CEdit::Field()
{
    return m_Panel != nullptr ? m_Panel->TextField(this) : nullptr;
}

bool CEdit::AcceptsCharacter(char16_t character)
{
    return character == u'\b' || character == u'-' || character == u'.' || character == u'k' ||
           (character >= u'0' && character <= u'9');
}

float CEdit::LeadingNumber(const std::u16string& text)
{
    std::string ascii;
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
    {
        ++i;
    }
    for (; i < text.size() && text[i] < 128; ++i)
    {
        ascii.push_back(static_cast<char>(text[i]));
    }
    const char* begin = ascii.c_str();
    if (!ascii.empty() && ascii[0] == '+')
    {
        ++begin; // from_chars takes no plus sign
    }
    float value = 0.0f;
    const auto result = std::from_chars(begin, ascii.c_str() + ascii.size(), value, std::chars_format::fixed);
    return result.ec == std::errc() ? value : 0.0f;
}

void CEdit::OpenFor(CWidget* target)
{
    Platform::TextField* field = Field();
    if (field == nullptr)
    {
        return;
    }
    m_Target = target;
    if (target == nullptr)
    {
        field->Hide();
        return;
    }
    int hotX = 0;
    int hotY = 0;
    m_Panel->CursorHotSpotOffset(hotX, hotY);
    m_X = m_Panel->LastMouseX() + hotX;
    m_Y = m_Panel->LastMouseY() + hotY;
    int x = m_X;
    int y = m_Y;
    int width = static_cast<int>(m_WidthAnim.current);
    int height = m_Height;
    m_Panel->ToWindow(x, y, width, height);
    field->Show(x, y, width, height, target->GetText(true), m_Panel->ViewScale());
}

void CEdit::Commit()
{
    Platform::TextField* field = Field();
    if (field == nullptr)
    {
        return;
    }
    CWidget* target = m_Target;
    m_Target = nullptr;
    if (target != nullptr)
    {
        const std::u16string text = field->Text().substr(0, kMaxCharacters);
        target->EnterDisplayValue(LeadingNumber(text));
    }
    field->Hide();
}

void CEdit::Deactivate()
{
    if (m_Target != nullptr)
    {
        Commit(); // the press that closes the field takes the focus from it, which commits
    }
}
} // namespace KVX
