// Key codes with Windows' virtual-key values, for portable code that handles
// keys. The control characters a typed Backspace, Tab, Enter and Escape give
// have the same values; LineFeed, CtrlZ and CtrlBack are only ever typed characters.
#pragma once

namespace qx {

struct Key {
    enum : int {
        Back = 8,
        Tab = 9,
        LineFeed = 10,  // Ctrl+Enter
        Enter = 13,
        CtrlZ = 0x1A,
        Escape = 27,
        Space = 32,
        PageUp = 33,
        PageDown = 34,
        End = 35,
        Home = 36,
        Left = 37,
        Up = 38,
        Right = 39,
        Down = 40,
        Delete = 46,
        CtrlBack = 0x7F,  // Ctrl+Backspace
        F2 = 113,
        Add = 0x6B,  // the keypad's + and -
        Subtract = 0x6D,
        OemPlus = 0xBB,  // the main keyboard's key with + (;+ on a Japanese one)
        OemMinus = 0xBD,
        ProcessKey = 229,  // the IME took the key
    };
};

}  // namespace qx
