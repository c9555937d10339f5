#include "ScriptedPrompter.h"

namespace kestrel::test {

QList<ScriptedPrompter::Shown> ScriptedPrompter::messages() const
{
    QList<Shown> result;
    for (const Shown& s : m_shown)
        if (s.kind == Shown::Kind::Message)
            result.append(s);
    return result;
}

MsgAnswer ScriptedPrompter::message(
    QWidget*, const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons)
{
    m_shown.append(Shown{Shown::Kind::Message, text, title, icon, buttons, {}, {}});
    if (m_messageAnswers.empty())
        return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? MsgAnswer::No : MsgAnswer::Ok;
    const MsgAnswer answer = m_messageAnswers.front();
    m_messageAnswers.pop_front();
    return answer;
}

std::optional<QString> ScriptedPrompter::inputBox(
    QWidget*, const QString& prompt, const QString& title, const QString& defaultText)
{
    m_shown.append(Shown{Shown::Kind::Input, prompt, title, MsgIcon::None, MsgButtons::OkCancel, defaultText, {}});
    if (m_inputAnswers.empty())
        return std::nullopt;
    std::optional<QString> answer;
    answer.swap(m_inputAnswers.front());
    m_inputAnswers.pop_front();
    return answer;
}

std::optional<FileChoice> ScriptedPrompter::openFile(const FileDialogRequest& request)
{
    return nextFile(Shown::Kind::Open, request);
}

std::optional<FileChoice> ScriptedPrompter::saveFile(const FileDialogRequest& request)
{
    return nextFile(Shown::Kind::Save, request);
}

std::optional<FileChoice> ScriptedPrompter::nextFile(Shown::Kind kind, const FileDialogRequest& request)
{
    m_shown.append(Shown{kind, {}, request.title, MsgIcon::None, MsgButtons::OkCancel, {}, request});
    if (m_fileAnswers.empty())
        return std::nullopt;
    std::optional<FileChoice> answer;
    answer.swap(m_fileAnswers.front());
    m_fileAnswers.pop_front();
    return answer;
}

} // namespace kestrel::test
