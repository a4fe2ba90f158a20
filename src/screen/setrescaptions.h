#pragma once
#include "messagetable.h"

class Window;

// Fills a window's texts from the message table through the Tags of its
// controls. A Tag that is empty, not a number or names no message keeps the
// design-time text.
void SetResCaptions(Window &window, const Messages &messages);
