#include "serial/DispatcherThreads.h"

#include "serial/DeviceDispatcher.h"

#include <exception>
#include <memory>

TDispatcherThread::~TDispatcherThread() {
  Join();
}

void TDispatcherThread::Start() {
  // Counted before it runs: a thread that fails at once must not bring the
  // count to 0 while the next ones are still to start.
  ++dispatcher_.liveThreads_;
  thread_ = std::thread([this] { Run(); });
}

void TDispatcherThread::Join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void TDispatcherThread::Run() {
  try {
    Execute();
  } catch (const std::exception& e) {
    Failed(e.what());
  } catch (...) {
    Failed("unknown exception");
  }
  dispatcher_.ThreadEnded();
}

void TDispatcherThread::Failed(const char* what) {
  // The port would look open but be dead: it ends as a lost device does,
  // and its owner is told once. A start that waits for this thread goes on.
  dispatcher_.generalEvent_.Set();
  dispatcher_.ThreadFailed(what);
}

void TComThread::Execute() {
  auto& d = dispatcher_;
  d.generalEvent_.Set();
  while (!d.killThreads_) {
    uint32_t events = 0;
    // Input is the dispatch thread's own wait where the device allows it;
    // the com thread then watches only the line (hang-ups, errors).
    const int result = d.device_->WaitEvent(!d.inputBlocked_ && !d.dispatchWaitsForInput_, events);
    if (result < 0) {
      // A hung-up device would wake every wait at once: stop waiting on it.
      d.OnDeviceGone(result);
      return;
    }
    if (d.killThreads_ || d.deviceError_ < 0) return;
    if (result == 0) continue;  // woken to re-arm or to stop
    d.eventWord_ = events;
    // The bytes are stored here, under the dispatch-buffer lock, and the
    // dispatch thread is woken once for them: no round trip per batch.
    d.ReceiveBatch();
  }
}

void TDispThread::Execute() {
  auto& d = dispatcher_;
  d.generalEvent_.Set();
  while (!d.killThreads_ && !d.closePending_) {
    const bool woken = d.WaitForDeviceEvent();
    if (d.killThreads_) return;
    d.ProcessDeviceEvent(woken);
  }
}

void TOutThread::Execute() {
  auto& d = dispatcher_;
  d.outThreadLive_ = true;
  // Cleared however the thread ends, so that a flush no longer waits for it.
  const std::unique_ptr<std::atomic<bool>, void (*)(std::atomic<bool>*)> live(
      &d.outThreadLive_, [](std::atomic<bool>* flag) { *flag = false; });
  d.generalEvent_.Set();
  while (!d.killThreads_ && !d.closePending_) {
    bool output = false;
    bool flush = false;
    d.TakeOutputSignals(output, flush);
    if (d.killThreads_) return;
    // A flush drops what is still queued, so it is not written first.
    if (output && !flush) WriteOut();
    if (flush) d.flushAck_.Set();
  }
}

void TOutThread::WriteOut() {
  auto& d = dispatcher_;
  TOutputRing::TRun run;
  while (!d.killThreads_ && !d.FlushRequested() && d.output_.NextRun(run)) {
    const int sent = d.device_->Write(run.data, run.count);
    if (sent > 0) {
      d.output_.Advance(run, static_cast<uint32_t>(sent));
      continue;
    }
    if (sent < 0) {
      // The run cannot be written: drop it rather than retry for ever.
      d.output_.Advance(run, run.count);
      d.OnDeviceGone(sent);
      continue;
    }
    const int ready = d.device_->WaitWritable();
    if (ready < 0) {
      d.output_.Advance(run, run.count);
      d.OnDeviceGone(ready);
    }
    // 0: woken by a flush or a stop, which the loop condition sees; a stale
    // wake-up just tries again.
  }
}
