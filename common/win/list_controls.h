#pragma once
// Small helpers over the standard combo-box and list-box controls.
#include <windows.h>

#include <string>
#include <vector>

std::string WindowText(HWND hwnd);

void AddChoice(HWND combo, const std::string& text);
std::vector<std::string> ComboChoices(HWND combo);
// Replaces the choices and sets the text to the first one (empty when none).
void RefillCombo(HWND combo, const std::vector<std::string>& choices);

void AddListLine(HWND list, const std::string& text);
std::vector<std::string> ListLines(HWND list);
