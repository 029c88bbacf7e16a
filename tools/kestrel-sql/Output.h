/*
** Where kestrel-sql writes: standard output (or nothing, with SET TERMOUT
** OFF in a script) and, while SPOOL is on, a file as well. Every write and
** every close is checked: the first failure is kept with its errno, so
** that the client can stop with a message instead of reporting success
** for output that never arrived (a full disk, /dev/full).
*/
#ifndef KESTREL_SQL_OUTPUT_H
#define KESTREL_SQL_OUTPUT_H

#include <memory>
#include <ostream>
#include <streambuf>
#include <string>

namespace kestrel_sql {

// A stream buffer over a file descriptor that records why a write failed.
class FdBuffer : public std::streambuf {
 public:
  // Takes ownership of `fd` when `owned`; `name` is used in messages.
  FdBuffer(int fd, bool owned, std::string name);
  ~FdBuffer() override;
  FdBuffer(const FdBuffer &) = delete;
  FdBuffer &operator=(const FdBuffer &) = delete;

  // Flushes and, for an owned descriptor, closes it; false on failure.
  bool Close();
  // Empty while every write succeeded, else "cannot write NAME: reason".
  const std::string &Error() const { return error_; }

 protected:
  int_type overflow(int_type c) override;
  int sync() override;
  std::streamsize xsputn(const char *s, std::streamsize n) override;

 private:
  bool FlushBuffer();
  bool WriteAll(const char *data, size_t size);
  void Fail(int error);

  int fd_;
  bool owned_;
  std::string name_;
  std::string error_;
  char buffer_[8192];
};

// Standard output plus the spool file. The stream from Stream() reaches
// both; errors and prompts written with Echo() reach the spool as well.
class Output {
 public:
  Output();
  ~Output();
  Output(const Output &) = delete;
  Output &operator=(const Output &) = delete;

  std::ostream &Stream() { return tee_; }

  // SET TERMOUT: whether standard output gets what the spool gets.
  void SetTerminal(bool on) { terminal_ = on; }

  // Starts spooling to `path` (replacing or appending); false with
  // `error` set when the file cannot be opened.
  bool StartSpool(const std::string &path, bool append, std::string *error);
  // Ends spooling; false with `error` set when the file's last writes or
  // its close failed.
  bool StopSpool(std::string *error);
  bool Spooling() const { return spool_ != nullptr; }
  const std::string &SpoolPath() const { return spoolPath_; }

  // Copies text that went to standard error into the spool file.
  void CopyToSpool(const std::string &text);

  // True when a write has failed (cheap: nothing is flushed).
  bool Failed() const {
    return !stdout_.Error().empty() || (spool_ && !spool_->Error().empty());
  }
  // Flushes everything; the first write failure not yet reported, or
  // empty. A failure is reported once.
  std::string Check();
  // Flushes and closes standard output and the spool file; the first
  // failure not yet reported, or empty.
  std::string Finish();

 private:
  class Tee : public std::streambuf {
   public:
    explicit Tee(Output &owner) : owner_(owner) {}

   protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char *s, std::streamsize n) override;
    int sync() override;

   private:
    Output &owner_;
  };

  FdBuffer stdout_;
  std::ostream stdoutStream_;
  std::unique_ptr<FdBuffer> spool_;
  std::unique_ptr<std::ostream> spoolStream_;
  std::string spoolPath_;
  std::string spoolError_;  // a failure of a spool already closed
  bool terminal_ = true;
  bool reported_ = false;
  Tee teeBuffer_;
  std::ostream tee_;
};

}  // namespace kestrel_sql

#endif
