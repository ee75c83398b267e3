#pragma once
// The keys the overlay polls, by the Windows virtual-key codes it asks the
// system about, named once. Letters and digits are their own upper-case
// character codes ("A" is 65, "0" is 48); the Windows layer checks the others
// against the system's names.

constexpr int kSpaceKey = 32;         // VK_SPACE
constexpr int kPageDownKey = 34;      // VK_NEXT
constexpr int kRightArrowKey = 39;    // VK_RIGHT
constexpr int kPrintScreenKey = 44;   // VK_SNAPSHOT
constexpr int kScrollLockKey = 145;   // VK_SCROLL

constexpr bool IsLetterKey(int code) { return code >= 'A' && code <= 'Z'; }
constexpr bool IsDigitKey(int code) { return code >= '0' && code <= '9'; }
