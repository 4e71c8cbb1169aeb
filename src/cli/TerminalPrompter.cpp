#include "TerminalPrompter.h"

#include "resources/Strings.h"

#include <ostream>

namespace tqv {

void TerminalPrompter::info(const std::string &text)
{
    m_err << text << '\n';
}

bool TerminalPrompter::answer(const std::string &text, StrId agree, StrId refuse)
{
    // The answer names what --yes would have said, so a refused job shows how to let it go on.
    m_err << text << '\n';
    if (m_answerYes)
        m_err << formatText(StrId::CliAnsweredByOption, {tqv::text(agree)}) << '\n';
    else
        m_err << formatText(StrId::CliAnsweredByDefault, {tqv::text(refuse), tqv::text(agree)}) << '\n';
    return m_answerYes;
}

bool TerminalPrompter::askYesNo(const std::string &text)
{
    return answer(text, StrId::CliAnswerYes, StrId::CliAnswerNo);
}

bool TerminalPrompter::askOkCancel(const std::string &text)
{
    return answer(text, StrId::CliAnswerOk, StrId::CliAnswerCancel);
}

Answer TerminalPrompter::askYesNoCancel(const std::string &text)
{
    return answer(text, StrId::CliAnswerYes, StrId::CliAnswerCancel) ? Answer::Yes : Answer::Cancel;
}

} // namespace tqv
