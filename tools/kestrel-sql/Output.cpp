/*
** Checked output to descriptors, and the tee to the spool file.
*/
#include "Output.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

namespace kestrel_sql {

FdBuffer::FdBuffer(int fd, bool owned, std::string name)
    : fd_(fd), owned_(owned), name_(std::move(name)) {
  setp(buffer_, buffer_ + sizeof buffer_);
}

FdBuffer::~FdBuffer() { Close(); }

void FdBuffer::Fail(int error) {
  if (error_.empty()) error_ = "cannot write " + name_ + ": " + strerror(error);
}

bool FdBuffer::WriteAll(const char *data, size_t size) {
  while (size > 0 && error_.empty()) {
    const ssize_t n = write(fd_, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
      break;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return error_.empty();
}

bool FdBuffer::FlushBuffer() {
  const size_t pending = static_cast<size_t>(pptr() - pbase());
  setp(buffer_, buffer_ + sizeof buffer_);
  if (fd_ < 0) return error_.empty();
  return WriteAll(buffer_, pending);
}

FdBuffer::int_type FdBuffer::overflow(int_type c) {
  if (!FlushBuffer()) return traits_type::eof();
  if (!traits_type::eq_int_type(c, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
  }
  return traits_type::not_eof(c);
}

std::streamsize FdBuffer::xsputn(const char *s, std::streamsize n) {
  const std::streamsize room = epptr() - pptr();
  if (n <= room) {
    memcpy(pptr(), s, static_cast<size_t>(n));
    pbump(static_cast<int>(n));
    return n;
  }
  if (!FlushBuffer()) return 0;
  if (n < static_cast<std::streamsize>(sizeof buffer_)) {
    memcpy(pptr(), s, static_cast<size_t>(n));
    pbump(static_cast<int>(n));
    return n;
  }
  return WriteAll(s, static_cast<size_t>(n)) ? n : 0;
}

int FdBuffer::sync() { return FlushBuffer() ? 0 : -1; }

bool FdBuffer::Close() {
  FlushBuffer();
  // close() can report a write the system delayed (NFS, quotas).
  if (fd_ >= 0 && owned_ && close(fd_) != 0 && errno != EINTR) Fail(errno);
  fd_ = -1;
  return error_.empty();
}

Output::Output()
    : stdout_(STDOUT_FILENO, true, "standard output"),
      stdoutStream_(&stdout_),
      teeBuffer_(*this),
      tee_(&teeBuffer_) {}

Output::~Output() {
  std::string ignored;
  StopSpool(&ignored);
}

Output::Tee::int_type Output::Tee::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char ch = traits_type::to_char_type(c);
  return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
}

std::streamsize Output::Tee::xsputn(const char *s, std::streamsize n) {
  // A failed write is remembered by its buffer and reported by Check();
  // the text is still taken, so that one full disk does not hide the rest.
  if (owner_.terminal_) owner_.stdoutStream_.write(s, n);
  if (owner_.spoolStream_) owner_.spoolStream_->write(s, n);
  return n;
}

int Output::Tee::sync() {
  owner_.stdoutStream_.flush();
  if (owner_.spoolStream_) owner_.spoolStream_->flush();
  return 0;
}

bool Output::StartSpool(const std::string &path, bool append,
                        std::string *error) {
  if (!StopSpool(error)) return false;
  const int fd = open(path.c_str(),
                      O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC),
                      0666);
  if (fd < 0) {
    *error = "cannot open " + path + ": " + strerror(errno);
    return false;
  }
  spool_ = std::make_unique<FdBuffer>(fd, true, path);
  spoolStream_ = std::make_unique<std::ostream>(spool_.get());
  spoolPath_ = path;
  return true;
}

bool Output::StopSpool(std::string *error) {
  if (!spool_) return true;
  spoolStream_->flush();
  const bool ok = spool_->Close();
  if (!ok) *error = spool_->Error();
  spoolStream_.reset();
  spool_.reset();
  spoolPath_.clear();
  if (!ok && spoolError_.empty()) spoolError_ = *error;
  return ok;
}

void Output::CopyToSpool(const std::string &text) {
  if (spoolStream_) spoolStream_->write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::string Output::Check() {
  tee_.flush();
  if (reported_) return std::string();
  std::string error = stdout_.Error();
  if (error.empty() && spool_) error = spool_->Error();
  if (error.empty()) error = spoolError_;
  reported_ = !error.empty();
  return error;
}

std::string Output::Finish() {
  tee_.flush();
  std::string ignored;
  StopSpool(&ignored);  // its failure lands in spoolError_
  stdout_.Close();
  return Check();
}

}  // namespace kestrel_sql
