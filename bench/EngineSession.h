// A logged-on session of the engine through the client interface, for the
// benchmarks that call it directly.
#ifndef KESTREL_BENCH_ENGINE_SESSION_H
#define KESTREL_BENCH_ENGINE_SESSION_H

#include <string>

#include "oci.h"

struct EngineSession {
  // Attaches to `link` and logs on as bench/bench (claiming a new
  // database); aborts when either fails.
  explicit EngineSession(const std::string &link);
  ~EngineSession();
  EngineSession(const EngineSession &) = delete;
  EngineSession &operator=(const EngineSession &) = delete;

  OCIEnv *env = nullptr;
  OCIError *err = nullptr;
  OCIServer *server = nullptr;
  OCISvcCtx *svc = nullptr;
  OCISession *session = nullptr;
};

#endif
