#include "SearchCommand.h"

#include "IntegerText.h"
#include "SjisText.h"

std::string RemoveCodeHyphen(std::string_view text)
{
    std::string result(text);
    // Only a hyphen at a character start counts: 0x2D can be the second byte of a double-byte
    // character, and the first hyphen found decides, even if it is not at byte 4.
    if (SjisPos("-", text) == 4) result.erase(3, 1);
    return result;
}

TSearchKind ChooseSearch(std::string_view text) { return IsInteger(text) ? skCode : skAddress; }

bool RunsIncrementalSearch(std::string_view text) { return text.size() > 1 && IsInteger(text); }

TCommandOutcome RunSearchCommand(const TPostalSearch& search, std::string_view lineText)
{
    TCommandOutcome outcome;
    outcome.Text = RemoveCodeHyphen(lineText);
    outcome.Ran = ChooseSearch(outcome.Text);
    outcome.Result = outcome.Ran == skCode ? search.ByCode(outcome.Text) : search.ByAddress(outcome.Text);
    return outcome;
}

TCommandOutcome RunSearchCommandOnData(IByteSource& source, std::string_view lineText)
{
    TCommandOutcome outcome;
    outcome.Text = RemoveCodeHyphen(lineText);
    outcome.Ran = ChooseSearch(outcome.Text);
    if (outcome.Ran == skCode) {
        outcome.Result.Lines = ReadCodeMatches(source, outcome.Text);
        outcome.Result.Status = CountText(static_cast<long long>(outcome.Result.Lines.size()));
        return outcome;
    }
    TPostalTables tables;
    LoadPostalData(source, tables);
    outcome.Result = TPostalSearch(tables).ByAddress(outcome.Text);
    return outcome;
}
