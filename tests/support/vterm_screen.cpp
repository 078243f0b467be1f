#include "support/vterm_screen.hpp"

#include <stdexcept>

namespace maze {

void appendUtf8(std::string& out, unsigned cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

namespace {

std::string cellsToText(const VTermScreenCell* cells, int count) {
  std::string line;
  for (int i = 0; i < count; ++i) {
    const VTermScreenCell& cell = cells[i];
    if (cell.chars[0] == 0) {
      line += ' ';
      continue;
    }
    for (int k = 0; k < VTERM_MAX_CHARS_PER_CELL && cell.chars[k] != 0; ++k) {
      appendUtf8(line, cell.chars[k]);
    }
    if (cell.width > 1) i += cell.width - 1;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

}  // namespace

struct VtermCallbacks {
  static int settermprop(VTermProp prop, VTermValue* value, void* user) {
    auto* self = static_cast<VtermScreen*>(user);
    if (prop == VTERM_PROP_CURSORVISIBLE) self->cursorVisible_ = value->boolean != 0;
    if (prop == VTERM_PROP_ALTSCREEN) self->altScreen_ = value->boolean != 0;
    return 1;
  }
  static int bell(void* user) {
    ++static_cast<VtermScreen*>(user)->bells_;
    return 1;
  }
  static int pushline(int cols, const VTermScreenCell* cells, void* user) {
    static_cast<VtermScreen*>(user)->scrollback_.push_back(cellsToText(cells, cols));
    return 1;
  }
  static void output(const char* bytes, size_t len, void* user) {
    auto* self = static_cast<VtermScreen*>(user);
    if (self->captured_) {
      self->captured_->append(bytes, len);
    } else if (self->reply_) {
      self->reply_(std::string_view(bytes, len));
    }
  }
};

namespace {

const VTermScreenCallbacks kScreenCallbacks = {
    .damage = nullptr,
    .moverect = nullptr,
    .movecursor = nullptr,
    .settermprop = VtermCallbacks::settermprop,
    .bell = VtermCallbacks::bell,
    .resize = nullptr,
    .sb_pushline = VtermCallbacks::pushline,
    .sb_popline = nullptr,
};

}  // namespace

VtermScreen::VtermScreen(int rows, int cols) : rows_(rows), cols_(cols) {
  vt_ = vterm_new(rows, cols);
  if (vt_ == nullptr) throw std::runtime_error("vterm_new failed");
  vterm_set_utf8(vt_, 1);
  vterm_output_set_callback(vt_, VtermCallbacks::output, this);
  screen_ = vterm_obtain_screen(vt_);
  vterm_screen_set_callbacks(screen_, &kScreenCallbacks, this);
  vterm_screen_enable_altscreen(screen_, 1);
  vterm_screen_reset(screen_, 1);
}

VtermScreen::~VtermScreen() { vterm_free(vt_); }

void VtermScreen::feed(std::string_view bytes) {
  vterm_input_write(vt_, bytes.data(), bytes.size());
  vterm_screen_flush_damage(screen_);
}

void VtermScreen::resize(int rows, int cols) {
  rows_ = rows;
  cols_ = cols;
  vterm_set_size(vt_, rows, cols);
  vterm_screen_flush_damage(screen_);
}

std::string VtermScreen::row(int r) const {
  std::vector<VTermScreenCell> cells(static_cast<size_t>(cols_));
  for (int c = 0; c < cols_; ++c) {
    vterm_screen_get_cell(screen_, VTermPos{r, c}, &cells[static_cast<size_t>(c)]);
  }
  return cellsToText(cells.data(), cols_);
}

std::string VtermScreen::text() const {
  std::string all;
  for (int r = 0; r < rows_; ++r) all += row(r) + '\n';
  return all;
}

bool VtermScreen::contains(std::string_view needle) const {
  for (int r = 0; r < rows_; ++r) {
    if (row(r).find(needle) != std::string::npos) return true;
  }
  return false;
}

VTermScreenCell VtermScreen::cell(int row, int col) const {
  VTermScreenCell c{};
  vterm_screen_get_cell(screen_, VTermPos{row, col}, &c);
  return c;
}

char32_t VtermScreen::glyph(int row, int col) const {
  const std::uint32_t ch = cell(row, col).chars[0];
  return ch == 0 ? U' ' : static_cast<char32_t>(ch);
}

CursorPos VtermScreen::cursor() const {
  VTermPos pos;
  vterm_state_get_cursorpos(vterm_obtain_state(vt_), &pos);
  return CursorPos{pos.row, pos.col};
}

std::string VtermScreen::keySends(VTermKey key) const {
  std::string bytes;
  captured_ = &bytes;
  vterm_keyboard_key(vt_, key, VTERM_MOD_NONE);
  captured_ = nullptr;
  return bytes;
}

}  // namespace maze
