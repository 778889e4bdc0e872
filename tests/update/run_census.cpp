#include "tests/update/run_census.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "device/request_codes.h"

namespace solvane::engine_test {

namespace {

bool IsTransfer(uint16_t code) {
  return code == kSendApplicationCode || code == kSendBootCode || code == kSendXLoader;
}

// Requests that come in passes of several, one chunk or block each.
bool IsChunked(const TriggerKey& key) {
  return key.chunk || key.code == kReadMemory || key.code == kWriteFlash ||
         key.subCommand == kSensorWrite;
}

TriggerKey KeyOf(const TranscriptEntry& request) {
  TriggerKey key{.code = request.code};
  if (request.code == kSendCommand) {
    key.subCommand = request.params[0];
  } else if (request.code == kQueryPartition) {
    key.selector = request.params[0];
  } else if (IsTransfer(request.code)) {
    key.chunk = true;
  }
  return key;
}

ReplyFacts FactsOf(const TranscriptEntry& reply) {
  ReplyFacts facts;
  facts.code = reply.code;
  facts.length = reply.length;
  std::copy(std::begin(reply.params), std::end(reply.params), facts.params);
  return facts;
}

struct Request {
  TriggerKey key;
  uint32_t number;  // count of the key so far, or chunk number in its transfer
  ReplyFacts reply;
  const TranscriptEntry* entry;
};

std::vector<Request> RequestsOf(const Transcript& transcript) {
  const std::vector<TranscriptEntry>& entries = transcript.entries();
  std::vector<Request> requests;
  std::map<std::pair<uint16_t, uint64_t>, uint32_t> counts;
  for (size_t i = 0; i + 1 < entries.size(); ++i) {
    const TranscriptEntry& entry = entries[i];
    if (!entry.request || entries[i + 1].request) {
      continue;
    }
    TriggerKey key = KeyOf(entry);
    uint64_t detail = key.subCommand ? *key.subCommand : key.selector.value_or(0);
    uint32_t& count = counts[{key.code, detail}];
    count = key.chunk && entry.params[3] == 0 ? 1 : count + 1;
    requests.push_back({key, count, FactsOf(entries[i + 1]), &entry});
  }
  return requests;
}

}  // namespace

std::string TriggerKey::Describe(uint32_t number) const {
  char text[64];
  if (subCommand) {
    std::snprintf(text, sizeof(text), "sub-command %u request %u", *subCommand, number);
  } else if (selector) {
    std::snprintf(text, sizeof(text), "selector %u query %u", *selector, number);
  } else if (chunk) {
    std::snprintf(text, sizeof(text), "chunk %u of 0x%04X", number, code);
  } else {
    std::snprintf(text, sizeof(text), "request %u of 0x%04X", number, code);
  }
  return text;
}

RunCensus::RunCensus(const Transcript& transcript) {
  std::vector<Request> requests = RequestsOf(transcript);
  std::vector<TriggerKey> keys;  // in the order first met
  for (const Request& request : requests) {
    if (std::find(keys.begin(), keys.end(), request.key) == keys.end()) {
      keys.push_back(request.key);
    }
  }

  for (const TriggerKey& key : keys) {
    std::set<uint32_t> numbers;
    uint32_t total = 0;
    for (size_t i = 0; i < requests.size(); ++i) {
      if (!(requests[i].key == key)) {
        continue;
      }
      total = std::max(total, requests[i].number);
      // A pass: this request and those of the same trigger right after it.
      size_t end = i;
      while (end + 1 < requests.size() && requests[end + 1].key == key &&
             (!key.chunk || requests[end + 1].number != 1)) {
        ++end;
      }
      if (IsChunked(key)) {
        numbers.insert({requests[i].number, requests[end].number});
      }
      i = end;
    }
    if (!IsChunked(key)) {
      numbers.insert({1, 1 + (total - 1) / 2, total});
    }
    for (uint32_t number : numbers) {
      auto first = std::find_if(requests.begin(), requests.end(), [&](const Request& request) {
        return request.key == key && request.number == number;
      });
      points_.push_back({key, number, first->reply});
    }
    if (key.selector) {
      partitionQueries_.emplace_back(*key.selector, total);
    }
  }

  for (size_t i = 0; i < requests.size(); ++i) {
    const Request& request = requests[i];
    const TranscriptEntry& entry = *request.entry;
    if (request.key.code == kSendXLoader && request.reply.code == kChunkAccepted &&
        entry.params[3] + entry.length == entry.params[2]) {
      ++xLoaderWrites_;
    }
    if (request.key.code == kRequestReset && request.reply.code == kRequestReset &&
        i + 1 < requests.size()) {
      ++restartsWithinRun_;
      restartPoints_.push_back({request.key, request.number, request.reply});
      for (size_t next = i + 1; next < requests.size(); ++next) {
        const Request& after = requests[next];
        restartPoints_.push_back({after.key, after.number, after.reply});
        if (after.key.code == kShowMessage && after.reply.code == kShowMessage) {
          break;
        }
      }
    }
  }
}

std::vector<TriggerPoint> RunCensus::PointsOf(const std::vector<uint16_t>& codes) const {
  std::vector<TriggerPoint> points;
  std::copy_if(points_.begin(), points_.end(), std::back_inserter(points),
               [&](const TriggerPoint& point) {
                 return std::find(codes.begin(), codes.end(), point.key.code) != codes.end();
               });
  return points;
}

std::vector<uint32_t> RunCensus::NumbersOf(const TriggerKey& key) const {
  std::vector<uint32_t> numbers;
  for (const TriggerPoint& point : points_) {
    if (point.key == key) {
      numbers.push_back(point.number);
    }
  }
  return numbers;
}

std::vector<uint32_t> RunCensus::flashWrites() const {
  return NumbersOf({.code = kWriteFlash});
}

std::vector<uint32_t> RunCensus::flashErases() const {
  return NumbersOf({.code = kEraseFlash});
}

}  // namespace solvane::engine_test
