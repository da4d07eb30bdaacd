// A pressable label: normal, hot, pushed, disabled and focused looks (images
// or flat colours), a "click" notification when the left button is released
// over it, and the press from the keyboard.
#pragma once

#include "ui/label.h"

class CButtonUI : public CLabelUI {
 public:
  CButtonUI();
  const wchar_t* GetClass() const override { return L"ButtonUI"; }
  void* GetInterface(const wchar_t* name) override;

  void SetNormalImage(const std::wstring& image);
  void SetHotImage(const std::wstring& image);
  void SetPushedImage(const std::wstring& image);
  void SetDisabledImage(const std::wstring& image);
  void SetFocusedImage(const std::wstring& image);
  void SetHotBkColor(DWORD argb);
  void SetPushedBkColor(DWORD argb);
  void SetDisabledBkColor(DWORD argb);
  void SetHotTextColor(DWORD argb);
  bool IsHot() const { return m_bHot; }
  bool IsPushed() const { return m_bPushed; }

  void SetAttribute(const wchar_t* name, const wchar_t* value) override;
  void DoEvent(TEventUI& event) override;
  bool IsFocusable() const override { return true; }
  void Activate() override;
  void SetEnabled(bool bEnabled = true) override;

 protected:
  void PaintBkColor(CUIRender& render) override;
  void PaintStatusImage(CUIRender& render) override;
  void PaintBorder(CUIRender& render) override;
  DWORD CurrentTextColor() const override;

 private:
  enum ImageState { kNormal, kHot, kPushed, kDisabled, kFocused, kStateCount };
  void SetStateImage(ImageState state, const std::wstring& image);
  bool ContainsPoint(POINT pt) const;

  ui::ImageDesc m_images[kStateCount];
  DWORD m_dwHotBkColor = 0;
  DWORD m_dwPushedBkColor = 0;
  DWORD m_dwDisabledBkColor = 0;
  DWORD m_dwHotTextColor = 0;
  bool m_bHot = false;
  bool m_bPushed = false;
  bool m_bCaptured = false;
};
