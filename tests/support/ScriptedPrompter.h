#pragma once

#include "app/Prompter.h"

#include <QList>
#include <QString>

#include <deque>
#include <optional>

namespace kestrel::test {

// Answers modal interactions from a script and records what was shown, so
// tests can assert texts, titles, icons and buttons exactly. An interaction
// with no scripted answer gets the default answer (OK / cancel) and is still
// recorded.
class ScriptedPrompter : public Prompter {
public:
    struct Shown {
        enum class Kind { Message, Input, Open, Save } kind;
        QString text; // message text or input prompt
        QString title;
        MsgIcon icon = MsgIcon::None;
        MsgButtons buttons = MsgButtons::Ok;
        QString defaultText; // input box
        FileDialogRequest request; // file dialogs
    };

    void answerMessage(MsgAnswer answer) { m_messageAnswers.push_back(answer); }
    void answerInput(std::optional<QString> text) { m_inputAnswers.push_back(std::move(text)); }
    void answerFile(std::optional<FileChoice> choice) { m_fileAnswers.push_back(std::move(choice)); }
    void answerFile(const QString& path, int filterIndex = 0)
    {
        m_fileAnswers.push_back(FileChoice{path, filterIndex});
    }

    const QList<Shown>& shown() const { return m_shown; }
    QList<Shown> messages() const;
    const Shown& last() const { return m_shown.constLast(); }
    void clear() { m_shown.clear(); }
    bool allAnswersUsed() const { return m_messageAnswers.empty() && m_inputAnswers.empty() && m_fileAnswers.empty(); }

    MsgAnswer message(
        QWidget* owner, const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons) override;
    std::optional<QString> inputBox(
        QWidget* owner, const QString& prompt, const QString& title, const QString& defaultText) override;
    std::optional<FileChoice> openFile(const FileDialogRequest& request) override;
    std::optional<FileChoice> saveFile(const FileDialogRequest& request) override;

private:
    std::optional<FileChoice> nextFile(Shown::Kind kind, const FileDialogRequest& request);

    std::deque<MsgAnswer> m_messageAnswers;
    std::deque<std::optional<QString>> m_inputAnswers;
    std::deque<std::optional<FileChoice>> m_fileAnswers;
    QList<Shown> m_shown;
};

} // namespace kestrel::test
