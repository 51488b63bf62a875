// The GDI and USER drawing calls the panel painting makes, with the real names, signatures and
// constants.
#pragma once

#include "standin/win_types.h"

using LPPOINT = POINT*;

constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_BTNFACE = 15;

// A system colour brush is passed to FillRect as the colour index plus one.
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
HBRUSH CreateSolidBrush(COLORREF color);
HPEN CreatePen(int style, int width, COLORREF color);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL MoveToEx(HDC dc, int x, int y, LPPOINT previous);
BOOL LineTo(HDC dc, int x, int y);
BOOL DeleteObject(HGDIOBJ object);
int SetBkMode(HDC dc, int mode);
COLORREF SetTextColor(HDC dc, COLORREF color);
BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int length);
int lstrlenW(LPCWSTR text);
DWORD GetSysColor(int index);
