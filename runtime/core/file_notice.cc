#include "runtime/core/file_notice.h"

namespace rt {

namespace {
thread_local int viewDepth = 0;
}  // namespace

ViewIssueScope::ViewIssueScope() { ++viewDepth; }
ViewIssueScope::~ViewIssueScope() { --viewDepth; }

bool issuedByView() { return viewDepth > 0; }

}  // namespace rt
