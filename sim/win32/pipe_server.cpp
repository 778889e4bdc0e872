#include "sim/win32/pipe_server.h"

#include <chrono>
#include <thread>

#include "device/packet_header.h"

namespace solvane {

struct PipeServer::Instance {
  HANDLE pipe = INVALID_HANDLE_VALUE;
  HANDLE event = nullptr;
  OVERLAPPED overlapped{};
  std::vector<uint8_t> buffer = std::vector<uint8_t>(kMaxPacket + 1);
  bool pending = false;  // a connect or read runs on `overlapped`

  ~Instance() {
    if (pipe != INVALID_HANDLE_VALUE) {
      if (pending) {
        // The cancelled call must be over before its buffer goes.
        CancelIo(pipe);
        DWORD ignored = 0;
        GetOverlappedResult(pipe, &overlapped, &ignored, TRUE);
      }
      // Closed without disconnecting: a reply the client has not read yet stays
      // readable, as the reset reply must.
      CloseHandle(pipe);
    }
    if (event != nullptr) {
      CloseHandle(event);
    }
  }
  void Begin() {
    overlapped = OVERLAPPED{};
    ResetEvent(event);
    overlapped.hEvent = event;
  }
};

std::string PipeServer::PipePath(const std::string& name) {
  return "\\\\.\\pipe\\solvane-writer-sim-" + name;
}

std::wstring PipeServer::PipeNtPath(const std::string& name) {
  std::string path = "\\Device\\NamedPipe\\solvane-writer-sim-" + name;
  return std::wstring(path.begin(), path.end());
}

std::string PipeServer::StopEventName(const std::string& name) {
  return "Local\\solvane-writer-sim-stop-" + name;
}

PipeServer::PipeServer(SimWriter& writer,
                       const std::string& name,
                       std::string devicePath,
                       bool realTiming,
                       std::function<void()> afterRestart)
    : writer_(writer),
      pipePath_(PipePath(name)),
      presence_(std::move(devicePath), PipeNtPath(name)),
      realTiming_(realTiming),
      afterRestart_(std::move(afterRestart)),
      stop_(CreateEventA(nullptr, TRUE, FALSE, StopEventName(name).c_str())) {}

PipeServer::~PipeServer() {
  presence_.Withdraw();
  DropClients();
  listening_.clear();
  if (stop_ != nullptr) {
    CloseHandle(stop_);
  }
}

std::string PipeServer::Where() const {
  return presence_.devicePath() + " (" + pipePath_ + ")";
}

void PipeServer::Stop() {
  if (stop_ != nullptr) {
    SetEvent(stop_);
  }
}

std::unique_ptr<PipeServer::Instance> PipeServer::NewInstance(bool first) {
  auto instance = std::make_unique<Instance>();
  instance->event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  // The first instance claims the name: a second simulator of the same writer fails here.
  DWORD openMode =
      PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0);
  instance->pipe = CreateNamedPipeA(
      pipePath_.c_str(), openMode,
      PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
      PIPE_UNLIMITED_INSTANCES, static_cast<DWORD>(kMaxPacket), static_cast<DWORD>(kMaxPacket), 0,
      nullptr);
  if (instance->event == nullptr || instance->pipe == INVALID_HANDLE_VALUE) {
    return nullptr;
  }
  return instance;
}

bool PipeServer::KeepListening() {
  constexpr size_t kListening = 3;
  while (listening_.size() < kListening) {
    std::unique_ptr<Instance> instance = NewInstance(!claimed_);
    if (!instance) {
      return false;
    }
    claimed_ = true;
    instance->Begin();
    if (!ConnectNamedPipe(instance->pipe, &instance->overlapped)) {
      DWORD error = GetLastError();
      if (error == ERROR_PIPE_CONNECTED) {
        SetEvent(instance->event);  // connected before the call: no completion comes
      } else if (error == ERROR_IO_PENDING) {
        instance->pending = true;
      } else {
        return false;
      }
    }
    listening_.push_back(std::move(instance));
  }
  return true;
}

bool PipeServer::Listen() {
  if (!listening_.empty()) {
    return true;
  }
  if (stop_ == nullptr || presence_.devicePath().empty() || !KeepListening() || !presence_.Link()) {
    listening_.clear();
    claimed_ = false;
    return false;
  }
  return true;
}

bool PipeServer::StartRead(Instance& client) {
  client.Begin();
  if (ReadFile(client.pipe, client.buffer.data(), static_cast<DWORD>(client.buffer.size()), nullptr,
               &client.overlapped)) {
    return true;  // the event is set
  }
  DWORD error = GetLastError();
  client.pending = error == ERROR_IO_PENDING;
  return error == ERROR_IO_PENDING || error == ERROR_MORE_DATA;
}

bool PipeServer::FinishRead(Instance& client, std::vector<uint8_t>& request) {
  client.pending = false;
  DWORD received = 0;
  if (GetOverlappedResult(client.pipe, &client.overlapped, &received, FALSE)) {
    request.assign(client.buffer.begin(), client.buffer.begin() + received);
    return true;
  }
  if (GetLastError() != ERROR_MORE_DATA) {
    return false;
  }
  // A message longer than any packet: the writer sees one byte too many and
  // refuses it; the rest is read and dropped.
  request.assign(client.buffer.begin(), client.buffer.end());
  std::vector<uint8_t> rest(kMaxPacket);
  while (true) {
    DWORD more = 0;
    OVERLAPPED drain{};
    drain.hEvent = client.event;
    ResetEvent(client.event);
    BOOL done =
        ReadFile(client.pipe, rest.data(), static_cast<DWORD>(rest.size()), nullptr, &drain);
    if (!done && GetLastError() == ERROR_IO_PENDING) {
      done = GetOverlappedResult(client.pipe, &drain, &more, TRUE);
    } else if (done) {
      GetOverlappedResult(client.pipe, &drain, &more, FALSE);
    }
    if (done) {
      return true;
    }
    if (GetLastError() != ERROR_MORE_DATA) {
      return false;
    }
  }
}

bool PipeServer::WriteReply(Instance& client, const std::vector<uint8_t>& reply) {
  OVERLAPPED write{};
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  write.hEvent = event;
  DWORD written = 0;
  BOOL done =
      WriteFile(client.pipe, reply.data(), static_cast<DWORD>(reply.size()), nullptr, &write);
  if (!done && GetLastError() == ERROR_IO_PENDING) {
    if (WaitFor(event, INFINITE)) {
      done = GetOverlappedResult(client.pipe, &write, &written, FALSE);
    } else {
      CancelIo(client.pipe);
      GetOverlappedResult(client.pipe, &write, &written, TRUE);
    }
  } else if (done) {
    done = GetOverlappedResult(client.pipe, &write, &written, FALSE);
  }
  CloseHandle(event);
  return done && written == reply.size();
}

bool PipeServer::WaitFor(HANDLE event, DWORD timeoutMs) {
  HANDLE handles[2] = {stop_, event};
  DWORD count = event != nullptr ? 2 : 1;
  DWORD which = WaitForMultipleObjects(count, handles, FALSE, timeoutMs);
  if (which == WAIT_OBJECT_0) {
    stopped_ = true;
    return false;
  }
  return true;
}

void PipeServer::DropClients() {
  clients_.clear();
}

bool PipeServer::Restart() {
  DropClients();
  std::optional<uint32_t> duration = writer_.RestartDurationMs();
  if (!duration) {
    WaitFor(nullptr, INFINITE);  // never back: away until the simulator stops
    return true;
  }
  // Off the bus for the first part of the restart, then listed while it starts
  // and not yet openable, as a PC sees a USB device come back.
  DWORD unplugged = *duration * 5 / 8;
  DWORD starting = *duration - unplugged;
  if (!WaitFor(nullptr, unplugged)) {
    return true;
  }
  writer_.CompleteRestart();
  if (afterRestart_) {
    afterRestart_();
  }
  presence_.List();
  if (!WaitFor(nullptr, starting)) {
    return true;
  }
  return presence_.Link();
}

bool PipeServer::Run() {
  if (!Listen()) {
    return false;
  }
  std::vector<uint8_t> request;
  std::vector<uint8_t> reply;
  while (!stopped_) {
    std::vector<HANDLE> handles = {stop_};
    for (const auto& instance : listening_) {
      handles.push_back(instance->event);
    }
    for (const auto& client : clients_) {
      handles.push_back(client->event);
    }
    DWORD which =
        WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, INFINITE);
    if (which == WAIT_OBJECT_0 || which == WAIT_FAILED) {
      break;
    }
    size_t index = which - WAIT_OBJECT_0 - 1;
    if (index < listening_.size()) {
      std::unique_ptr<Instance> client = std::move(listening_[index]);
      listening_.erase(listening_.begin() + static_cast<std::ptrdiff_t>(index));
      client->pending = false;
      DWORD ignored = 0;
      bool connected = GetOverlappedResult(client->pipe, &client->overlapped, &ignored, FALSE) ||
                       GetLastError() == ERROR_PIPE_CONNECTED;
      if (connected && StartRead(*client)) {
        clients_.push_back(std::move(client));
      }
      if (!KeepListening()) {
        return false;
      }
      continue;
    }
    index -= listening_.size();
    if (index >= clients_.size()) {
      break;
    }
    Instance& client = *clients_[index];
    if (!FinishRead(client, request)) {
      clients_.erase(clients_.begin() + static_cast<std::ptrdiff_t>(index));
      continue;
    }
    bool answered = writer_.Handle({request.data(), request.size()}, reply);
    // Gone from the bus before the reset reply arrives: nobody finds the old path.
    if (writer_.restartRequested()) {
      presence_.Withdraw();
    }
    if (realTiming_ && writer_.lastBusyMs() > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(writer_.lastBusyMs()));
    }
    bool alive = !answered || WriteReply(client, reply);
    if (writer_.restartRequested()) {
      if (!Restart()) {
        return false;
      }
      continue;
    }
    if (!alive || !StartRead(client)) {
      clients_.erase(clients_.begin() + static_cast<std::ptrdiff_t>(index));
    }
  }
  presence_.Withdraw();
  return true;
}

}  // namespace solvane
