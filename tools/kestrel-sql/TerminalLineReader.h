/*
** Lines typed at a terminal, through libedit: a prompt, line editing, and
** a history of whole statements kept across sessions in
** ~/.kestrel_sql_history. Ctrl-C while a line is edited abandons the
** statement being typed; while a statement runs it breaks it (OCIBreak,
** from a thread of its own, since a signal handler may not call it) and
** asks the fetch to stop; it never ends the client.
*/
#ifndef KESTREL_SQL_TERMINAL_LINE_READER_H
#define KESTREL_SQL_TERMINAL_LINE_READER_H

#include <signal.h>

#include <atomic>
#include <string>
#include <thread>

#include <histedit.h>

#include "LineReader.h"
#include "oci.h"

namespace kestrel_sql {

class TerminalLineReader : public LineReader {
 public:
  TerminalLineReader();
  ~TerminalLineReader() override;
  TerminalLineReader(const TerminalLineReader &) = delete;
  TerminalLineReader &operator=(const TerminalLineReader &) = delete;

  bool ReadLine(const std::string &prompt, std::string *line) override;
  bool ReadHidden(const std::string &prompt, std::string *line) override;
  bool Interrupted() override;
  void Remember(const std::string &text) override;
  bool Interactive() const override { return true; }

  void BreakTarget(OCISvcCtx *svc) override { target_.store(svc); }

 private:
  static char *Prompt(EditLine *editor);
  static unsigned char Interrupt(EditLine *editor, int key);

  EditLine *editor_ = nullptr;
  History *history_ = nullptr;
  std::string prompt_;
  std::string historyFile_;  // empty when there is no home folder
  bool lineInterrupted_ = false;
  struct sigaction previous_ {};
  std::atomic<OCISvcCtx *> target_{nullptr};
  int wake_[2] = {-1, -1};  // the handler's byte to the breaking thread
  std::thread breaker_;
};

// Reads a line from the controlling terminal without echo, after showing
// `prompt` there; false when there is no terminal or input ended.
bool ReadSecret(const std::string &prompt, std::string *line);

}  // namespace kestrel_sql

#endif
