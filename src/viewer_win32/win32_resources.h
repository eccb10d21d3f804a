// The Windows window's resources in the language of the program's texts (menu and accelerators 128, the
// note dialog 143, the severity bitmap 135), and the conversions between the program's UTF-8 texts and the
// system's UTF-16 ones.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace kestrav::win32 {

inline constexpr WORD FrameResource = 128;
inline constexpr WORD SeverityBitmapResource = 135;
inline constexpr WORD NoteDialogResource = 143;

inline constexpr LANGID EnglishResources = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
inline constexpr LANGID JapaneseResources = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

// The resource language of the texts that CurrentLanguage picks.
LANGID ResourceLanguage();

// A resource's bytes in the language, else in English; nullptr when the program has neither.
const void* FindLanguageResource(HINSTANCE module, LPCWSTR type, WORD id, LANGID language, DWORD& size);

// Menu 128 and accelerator table 128 in the language; nullptr when missing. The caller owns the handles.
HMENU LoadFrameMenu(HINSTANCE module, LANGID language);
HACCEL LoadFrameAccelerators(HINSTANCE module, LANGID language);

// Dialog 143 in the language; nullptr when missing.
const DLGTEMPLATE* NoteDialogTemplate(HINSTANCE module, LANGID language);

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

// The bytes that one UTF-16 unit adds to the text's UTF-8 form: a pair of surrogates counts 4 on its first
// half and 0 on its second.
size_t Utf8Bytes(wchar_t unit);

} // namespace kestrav::win32
