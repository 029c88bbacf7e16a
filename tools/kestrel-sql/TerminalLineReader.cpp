/*
** Terminal input through libedit's own interface. While a line is edited
** the terminal sends Ctrl-C as a key (its signal character is off in edit
** mode), bound to abandoning the line; outside editing, SIGINT only sets
** a flag that the fetch loop polls.
*/
#include "TerminalLineReader.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace kestrel_sql {

namespace {

// Set by the SIGINT handler; a signal handler can reach nothing else.
volatile sig_atomic_t interruptPending = 0;
// Where the handler writes a byte to wake the breaking thread (-1: none).
volatile sig_atomic_t wakeFd = -1;

void OnInterrupt(int) {
  interruptPending = 1;
  const int fd = wakeFd;
  if (fd >= 0) {
    const int saved = errno;
    if (write(fd, "b", 1) < 0) {
    }  // a full pipe already holds a wake-up
    errno = saved;
  }
}

}  // namespace

TerminalLineReader::TerminalLineReader() {
  history_ = history_init();
  HistEvent event;
  history(history_, &event, H_SETSIZE, 1000);
  history(history_, &event, H_SETUNIQUE, 1);
  if (const char *home = getenv("HOME"); home != nullptr && *home != '\0') {
    historyFile_ = std::string(home) + "/.kestrel_sql_history";
    history(history_, &event, H_LOAD, historyFile_.c_str());  // none yet is fine
  }
  editor_ = el_init("kestrel-sql", stdin, stdout, stderr);
  el_set(editor_, EL_CLIENTDATA, this);
  el_set(editor_, EL_PROMPT, &TerminalLineReader::Prompt);
  el_set(editor_, EL_EDITOR, "emacs");
  el_set(editor_, EL_HIST, history, history_);
  el_set(editor_, EL_SETTY, "-d", "-isig", nullptr);
  // The wide form keeps our static names; the narrow one copies them and
  // never frees the copies.
  el_wset(editor_, EL_ADDFN, L"kestrel-interrupt", L"Abandon the statement being typed",
          &TerminalLineReader::Interrupt);
  el_set(editor_, EL_BIND, "^C", "kestrel-interrupt", nullptr);
  el_source(editor_, nullptr);  // the user's ~/.editrc, if any

  if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) == 0) {
    // The reading end blocks; the handler's end never does.
    fcntl(wake_[0], F_SETFL, 0);
    breaker_ = std::thread([this] {
      char byte = 0;
      while (read(wake_[0], &byte, 1) == 1 && byte == 'b') {
        if (OCISvcCtx *svc = target_.load()) OCIBreak(svc, nullptr);
      }
    });
    wakeFd = wake_[1];
  }
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previous_);
}

TerminalLineReader::~TerminalLineReader() {
  sigaction(SIGINT, &previous_, nullptr);
  if (breaker_.joinable()) {
    wakeFd = -1;
    fcntl(wake_[1], F_SETFL, 0);
    if (write(wake_[1], "q", 1) != 1) {
    }  // the thread ends when the pipe closes too
    close(wake_[1]);
    breaker_.join();
    close(wake_[0]);
  }
  HistEvent event;
  if (!historyFile_.empty()) history(history_, &event, H_SAVE, historyFile_.c_str());
  el_end(editor_);
  history_end(history_);
}

char *TerminalLineReader::Prompt(EditLine *editor) {
  void *data = nullptr;
  el_get(editor, EL_CLIENTDATA, &data);
  return const_cast<char *>(static_cast<TerminalLineReader *>(data)->prompt_.c_str());
}

unsigned char TerminalLineReader::Interrupt(EditLine *editor, int) {
  void *data = nullptr;
  el_get(editor, EL_CLIENTDATA, &data);
  static_cast<TerminalLineReader *>(data)->lineInterrupted_ = true;
  return CC_NEWLINE;
}

bool TerminalLineReader::ReadLine(const std::string &prompt, std::string *line) {
  prompt_ = prompt;
  lineInterrupted_ = false;
  interruptPending = 0;
  int count = 0;
  const char *text = el_gets(editor_, &count);
  if (lineInterrupted_) {
    fputs("^C\n", stdout);
    fflush(stdout);
    return false;
  }
  if (text == nullptr || count <= 0) {
    // End of input (Ctrl-D): end the prompt's line.
    fputc('\n', stdout);
    fflush(stdout);
    return false;
  }
  *line = text;
  if (!line->empty() && line->back() == '\n') line->pop_back();
  return true;
}

bool TerminalLineReader::ReadHidden(const std::string &prompt, std::string *line) {
  return ReadSecret(prompt, line);
}

bool TerminalLineReader::Interrupted() {
  const bool interrupted = lineInterrupted_ || interruptPending != 0;
  lineInterrupted_ = false;
  interruptPending = 0;
  return interrupted;
}

void TerminalLineReader::Remember(const std::string &text) {
  HistEvent event;
  if (text.find_first_not_of(" \t\n") != std::string::npos)
    history(history_, &event, H_ENTER, text.c_str());
}

bool ReadSecret(const std::string &prompt, std::string *line) {
  const int fd = open("/dev/tty", O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  termios saved;
  const bool isTerminal = tcgetattr(fd, &saved) == 0;
  if (isTerminal) {
    termios quiet = saved;
    quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
    quiet.c_lflag |= ICANON;
    tcsetattr(fd, TCSAFLUSH, &quiet);
  }
  if (write(fd, prompt.data(), prompt.size()) < 0) {
    // Nothing shown; the answer can still be read.
  }
  line->clear();
  bool got = false;
  char c = 0;
  ssize_t n;
  while ((n = read(fd, &c, 1)) == 1) {
    got = true;
    if (c == '\n') break;
    *line += c;
  }
  if (isTerminal) tcsetattr(fd, TCSAFLUSH, &saved);
  if (write(fd, "\n", 1) < 0) {
    // The newline is cosmetic.
  }
  close(fd);
  return got;
}

}  // namespace kestrel_sql
