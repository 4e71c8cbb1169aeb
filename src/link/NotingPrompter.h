#pragma once

#include "Prompter.h"

namespace tqv {

// Passes every message and question on to another prompter and notes what happened, so that a
// rule's caller knows whether the user was told something or declined a question.
class NotingPrompter : public Prompter {
public:
    explicit NotingPrompter(Prompter &inner) : m_inner(inner) {}
    void info(const std::string &text) override
    {
        ++infos;
        m_inner.info(text);
    }
    void error(const std::string &text) override
    {
        ++infos;
        m_inner.error(text);
    }
    bool askYesNo(const std::string &text) override { return noted(m_inner.askYesNo(text)); }
    bool askYesNoDefaultNo(const std::string &text) override { return noted(m_inner.askYesNoDefaultNo(text)); }
    bool askOkCancel(const std::string &text) override { return noted(m_inner.askOkCancel(text)); }
    Answer askYesNoCancel(const std::string &text) override
    {
        const Answer answer = m_inner.askYesNoCancel(text);
        noted(answer == Answer::Yes);
        return answer;
    }

    int messages() const { return infos + questions; }

    int infos = 0;
    int questions = 0;
    bool declined = false;

private:
    bool noted(bool yes)
    {
        ++questions;
        declined = declined || !yes;
        return yes;
    }
    Prompter &m_inner;
};

} // namespace tqv
