// COCIRecord's text conversions against the plain C calls they stand for:
// GetString of VT_I4 and VT_R8 values against snprintf, SetString of
// integer and real text against atol and atof.
#include <stdio.h>
#include <stdlib.h>

#include <vector>

#include <benchmark/benchmark.h>

#include "COCIRecord.h"

namespace {

constexpr int kValues = 1024;

void BM_GetStringI4(benchmark::State &state) {
  COCIRecord r;
  for (int i = 0; i < kValues; ++i) r.SetData(i, i * 7919 - 4000000);
  int i = 0;
  for (auto _ : state) {
    CString text = r.GetString(i);
    benchmark::DoNotOptimize(text.GetLength());
    i = (i + 1) & (kValues - 1);
  }
}
BENCHMARK(BM_GetStringI4);

void BM_SnprintfI4(benchmark::State &state) {
  int values[kValues];
  for (int i = 0; i < kValues; ++i) values[i] = i * 7919 - 4000000;
  int i = 0;
  char buffer[32];
  for (auto _ : state) {
    int n = snprintf(buffer, sizeof buffer, "%d", values[i]);
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(buffer);
    i = (i + 1) & (kValues - 1);
  }
}
BENCHMARK(BM_SnprintfI4);

void BM_GetStringR8(benchmark::State &state) {
  COCIRecord r;
  for (int i = 0; i < kValues; ++i) r.SetData(i, i * 3.14159 - 1000.5);
  int i = 0;
  for (auto _ : state) {
    CString text = r.GetString(i);
    benchmark::DoNotOptimize(text.GetLength());
    i = (i + 1) & (kValues - 1);
  }
}
BENCHMARK(BM_GetStringR8);

void BM_SnprintfR8(benchmark::State &state) {
  double values[kValues];
  for (int i = 0; i < kValues; ++i) values[i] = i * 3.14159 - 1000.5;
  int i = 0;
  char buffer[64];
  for (auto _ : state) {
    int n = snprintf(buffer, sizeof buffer, "%lf", values[i]);
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(buffer);
    i = (i + 1) & (kValues - 1);
  }
}
BENCHMARK(BM_SnprintfR8);

std::vector<CString> Texts(bool real) {
  std::vector<CString> texts;
  for (int i = 0; i < kValues; ++i) {
    CString t;
    if (real)
      t.Format("%f", i * 3.14159 - 1000.5);
    else
      t.Format("%d", i * 7919 - 4000000);
    texts.push_back(t);
  }
  return texts;
}

void BM_SetStringI4(benchmark::State &state) {
  std::vector<CString> texts = Texts(false);
  COCIRecord r;
  r.SetData(0, 0);
  int i = 0;
  for (auto _ : state) {
    r.SetString(0, texts[i], VT_I4);
    benchmark::DoNotOptimize(r.GetData());
    i = (i + 1) & (kValues - 1);
  }
}
BENCHMARK(BM_SetStringI4);

void BM_Atol(benchmark::State &state) {
  std::vector<CString> texts = Texts(false);
  int i = 0;
  for (auto _ : state) {
    long v = atol(texts[i]);
    benchmark::DoNotOptimize(v);
    i = (i + 1) & (kValues - 1);
  }
}
BENCHMARK(BM_Atol);

void BM_SetStringR8(benchmark::State &state) {
  std::vector<CString> texts = Texts(true);
  COCIRecord r;
  r.SetData(0, 0.0);
  int i = 0;
  for (auto _ : state) {
    r.SetString(0, texts[i], VT_R8);
    benchmark::DoNotOptimize(r.GetData());
    i = (i + 1) & (kValues - 1);
  }
}
BENCHMARK(BM_SetStringR8);

void BM_Atof(benchmark::State &state) {
  std::vector<CString> texts = Texts(true);
  int i = 0;
  for (auto _ : state) {
    double v = atof(texts[i]);
    benchmark::DoNotOptimize(v);
    i = (i + 1) & (kValues - 1);
  }
}
BENCHMARK(BM_Atof);

}  // namespace

BENCHMARK_MAIN();
