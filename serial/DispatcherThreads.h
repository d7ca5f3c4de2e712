// The three worker threads of an open device dispatcher: the com thread
// waits for device events, the dispatch thread moves received bytes into
// the dispatch ring and runs the triggers, the output thread writes the
// output ring to the device.
#pragma once

#include <thread>

class TDeviceDispatcher;

class TDispatcherThread {
 public:
  explicit TDispatcherThread(TDeviceDispatcher& dispatcher) : dispatcher_(dispatcher) {}
  virtual ~TDispatcherThread();
  TDispatcherThread(const TDispatcherThread&) = delete;
  TDispatcherThread& operator=(const TDispatcherThread&) = delete;

  void Start();
  // Waits for the thread's end; call only once it has been told to stop.
  void Join();

 protected:
  virtual void Execute() = 0;
  TDeviceDispatcher& dispatcher_;

 private:
  void Run();
  void Failed(const char* what);
  std::thread thread_;
};

class TComThread : public TDispatcherThread {
 public:
  using TDispatcherThread::TDispatcherThread;

 protected:
  void Execute() override;
};

class TDispThread : public TDispatcherThread {
 public:
  using TDispatcherThread::TDispatcherThread;

 protected:
  void Execute() override;
};

class TOutThread : public TDispatcherThread {
 public:
  using TDispatcherThread::TDispatcherThread;

 protected:
  void Execute() override;

 private:
  void WriteOut();
};
