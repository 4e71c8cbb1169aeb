#pragma once

#include "link/Prompter.h"

class QWidget;

namespace tqv {

// Message boxes of the program: OK boxes for information, Yes/No and OK/Cancel for questions.
class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget *parent) : m_parent(parent) {}
    void info(const std::string &text) override;
    bool askYesNo(const std::string &text) override;
    bool askYesNoDefaultNo(const std::string &text) override;
    // A critical box: the step has failed.
    void error(const std::string &text) override;
    bool askOkCancel(const std::string &text) override;
    Answer askYesNoCancel(const std::string &text) override;

private:
    QWidget *m_parent;
};

} // namespace tqv
