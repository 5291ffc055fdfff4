// The log of the Kestrel driver's file events: refused locks ("LockFile
// failed with error n" from the page store, "Locking failed with error n"
// from table locks) and failures that a commit survived past its commit
// point. Logging is off until a sink is set; the framework points it at
// its error log.
#pragma once

#include <functional>
#include <string>

namespace kestrel {

using FileLogSink = std::function<void(const std::string& line)>;

// Process-wide; null switches logging off.
void SetFileLog(FileLogSink sink);
bool FileLogging();
// Writes one line when logging is on.
void FileLog(const std::string& line);

}  // namespace kestrel

