#include "framework/window/request_codes.h"

namespace fw {

uint8_t& GlobalRequest() {
  static thread_local uint8_t request = 0;
  return request;
}

uint8_t& GlobalResponse() {
  static thread_local uint8_t response = 0;
  return response;
}

}  // namespace fw
