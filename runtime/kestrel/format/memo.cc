#include "runtime/kestrel/format/memo.h"

#include "runtime/core/trim.h"
#include "runtime/kestrel/format/coding.h"

namespace kestrel {

std::vector<std::string> SplitMemo(std::string_view text, bool blob) {
  std::vector<std::string> segments;
  if (!blob) text = rt::trimRight(text);
  const size_t step = blob ? kBlobSegmentSize : kMemoSegmentSize;
  for (size_t pos = 0; pos < text.size(); pos += step) {
    std::string seg;
    if (blob && pos == 0) Append32LE(&seg, static_cast<uint32_t>(text.size()));
    seg.append(text.substr(pos, step));
    segments.push_back(std::move(seg));
  }
  return segments;
}

Status JoinMemo(const std::vector<std::string>& segments, bool blob, size_t declared_size,
                std::string* out) {
  const Status bad = Status::Corruption(Check::kMemoSegments);
  out->clear();
  if (!blob) {
    for (const std::string& s : segments) {
      if (s.size() > kMemoSegmentSize || out->size() + s.size() > declared_size) return bad;
      out->append(s);
    }
    out->resize(declared_size, ' ');
    return Status::OK();
  }
  if (segments.empty()) return Status::OK();
  if (segments[0].size() < 4) return bad;
  const size_t total = Get32LE(segments[0].data());
  for (size_t i = 0; i < segments.size(); ++i) {
    std::string_view s = segments[i];
    if (i == 0) s.remove_prefix(4);
    if (s.size() > kBlobSegmentSize || s.size() > total - out->size()) return bad;
    out->append(s);
  }
  if (out->size() != total) return bad;
  return Status::OK();
}

}  // namespace kestrel
