#pragma once

#include "link/Prompter.h"
#include "resources/StringId.h"

#include <iosfwd>

namespace tqv {

// Message boxes of the command line: texts go to the error stream, and each question is answered
// at once without waiting for a reader, Yes/OK with --yes and the refusing answer without it.
class TerminalPrompter : public Prompter {
public:
    TerminalPrompter(std::ostream &err, bool answerYes) : m_err(err), m_answerYes(answerYes) {}

    void info(const std::string &text) override;
    bool askYesNo(const std::string &text) override;
    bool askOkCancel(const std::string &text) override;
    // Without --yes the answer is Cancel, not No: No would go on and drop what the question guards.
    Answer askYesNoCancel(const std::string &text) override;

private:
    // Prints the question and the answer given; returns whether it was the agreeing one.
    bool answer(const std::string &text, StrId agree, StrId refuse);

    std::ostream &m_err;
    bool m_answerYes;
};

} // namespace tqv
