#pragma once
// The optional skin library: bound once before any window exists, told to
// unload its skin once at exit while the window still exists.

// 1 when the library loaded and offers its three entry points, else 0.
int BindSkin();
// Calls the held UnLoadSkin; does nothing when no skin was bound.
void UnbindSkin();
