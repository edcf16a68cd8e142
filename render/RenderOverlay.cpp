// Placeholder until the renderer phases land.
#include "Trimsight.h"

void Trimsight::renderOverlay(CanvasWrapper) {}
