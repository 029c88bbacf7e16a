/*
** The reading loop.
*/
#include "Shell.h"

#include <cctype>

namespace kestrel_sql {

std::string PromptFor(int pendingLines) {
  if (pendingLines == 0) return "SQL> ";
  char prompt[16];
  snprintf(prompt, sizeof prompt, "%3d  ", pendingLines + 1);
  return prompt;
}

bool IsExitCommand(const std::string &line) {
  std::string word;
  for (const char c : line) {
    if (!std::isspace(static_cast<unsigned char>(c)))
      word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  if (!word.empty() && word.back() == ';') word.pop_back();
  return word == "EXIT" || word == "QUIT";
}

int RunShell(LineReader &reader, StatementRunner &runner, bool interactive) {
  StatementSplitter splitter;
  std::string line;
  while (reader.ReadLine(PromptFor(splitter.PendingLines()), &line)) {
    if (!splitter.Pending() && IsExitCommand(line)) return 0;
    const std::optional<Statement> statement = splitter.AddLine(line);
    if (statement && !runner.Run(*statement) && !interactive) return 1;
  }
  const std::optional<Statement> last = splitter.Finish();
  if (last && !runner.Run(*last) && !interactive) return 1;
  return 0;
}

}  // namespace kestrel_sql
