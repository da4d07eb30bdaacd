#include "ui/list.h"

#include <cwchar>

void* CListUI::GetInterface(const wchar_t* name) {
  if (name && wcscmp(name, L"List") == 0) return this;
  return CVerticalLayoutUI::GetInterface(name);
}
