#include "cli/TerminalPrompter.h"
#include "resources/Strings.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

namespace tqv {
namespace {

TEST(TerminalPrompter, PrintsEachQuestionWithTheAnswerGivenByYes)
{
    // What each kind of message returns, spelled alike for all of them.
    using Ask = std::function<std::string(Prompter &)>;
    const Ask yesNo = [](Prompter &p) { return p.askYesNo("Delete the node?") ? "true" : "false"; };
    const Ask okCancel = [](Prompter &p) { return p.askOkCancel("Replace the file?") ? "true" : "false"; };
    const Ask yesNoCancel = [](Prompter &p) {
        const Answer a = p.askYesNoCancel("Save changes?");
        return a == Answer::Yes ? "Yes" : a == Answer::No ? "No" : "Cancel";
    };
    const Ask info = [](Prompter &p) {
        p.info("Upload finished.");
        return "-";
    };
    struct Case {
        Language language;
        bool answerYes;
        Ask ask;
        std::string err;
        std::string answer;
    };
    const std::vector<Case> cases = {
        {Language::English, true, yesNo, "Delete the node?\nAnswer: Yes (--yes)\n", "true"},
        {Language::English, false, yesNo, "Delete the node?\nAnswer: No (with --yes: Yes)\n", "false"},
        {Language::English, true, okCancel, "Replace the file?\nAnswer: OK (--yes)\n", "true"},
        {Language::English, false, okCancel, "Replace the file?\nAnswer: Cancel (with --yes: OK)\n", "false"},
        {Language::English, true, yesNoCancel, "Save changes?\nAnswer: Yes (--yes)\n", "Yes"},
        // No would go on and drop the changes; the job has to stop instead.
        {Language::English, false, yesNoCancel, "Save changes?\nAnswer: Cancel (with --yes: Yes)\n", "Cancel"},
        {Language::English, true, info, "Upload finished.\n", "-"},
        {Language::English, false, info, "Upload finished.\n", "-"},
        {Language::Chinese, false, yesNo, "Delete the node?\n回答：否（加--yes时为是）\n", "false"},
        {Language::Chinese, true, okCancel, "Replace the file?\n回答：确定（--yes）\n", "true"},
        {Language::Chinese, false, yesNoCancel, "Save changes?\n回答：取消（加--yes时为是）\n", "Cancel"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.err);
        setLanguage(c.language);
        std::ostringstream err;
        TerminalPrompter prompter(err, c.answerYes);
        EXPECT_EQ(c.ask(prompter), c.answer);
        EXPECT_EQ(err.str(), c.err);
    }
    setLanguage(Language::English);
}

} // namespace
} // namespace tqv
