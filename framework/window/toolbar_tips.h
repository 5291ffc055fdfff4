// Tips of the standard toolbar buttons. A tip table is stored packed: a
// count byte, then per entry a 16-bit control number (low byte first), a
// length byte and the text.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ui {
class Window;
}

namespace fw {

using ToolbarTips = std::vector<std::pair<int32_t, std::string>>;

// The tables of the list target and of insert and change forms.
const std::vector<uint8_t>& ListTipTable();
const std::vector<uint8_t>& FormInsertTipTable();
const std::vector<uint8_t>& FormChangeTipTable();

std::vector<uint8_t> PackTips(const ToolbarTips& tips);
// Reads entries until the count or the table ends; a cut entry is dropped.
ToolbarTips UnpackTips(const std::vector<uint8_t>& table);
// Sets each listed control's tip in `window`; missing controls are skipped.
void SetTips(ui::Window* window, const std::vector<uint8_t>& table);

}  // namespace fw
