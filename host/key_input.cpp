#include "host/key_input.h"

#include <vector>

void PressKey(WORD key, WORD held) {
  std::vector<INPUT> input;
  const auto add = [&input](WORD vk, DWORD flags) {
    INPUT i = {};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = vk;
    i.ki.dwFlags = flags;
    input.push_back(i);
  };
  if (held != 0) add(held, 0);
  add(key, 0);
  add(key, KEYEVENTF_KEYUP);
  if (held != 0) add(held, KEYEVENTF_KEYUP);
  SendInput(UINT(input.size()), input.data(), sizeof(INPUT));
}
