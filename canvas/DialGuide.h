#pragma once
// Teaching the dial: what each element means, in the same words for the
// help overlay's page (F1), the guide's pictures (`trimsight-host guide`)
// and the README's "Reading the dial"; and labels drawn beside a dial where
// it drew its elements (DialElements.h), over a picture or the live window.
#include <imgui.h>

#include <span>
#include <string_view>

#include "canvas/DialElements.h"

namespace canvas {

struct ElementGuide {
    DialElement element;
    const char* label;    // short, beside the element: "ball dot"
    const char* colour;   // "blue"
    const char* meaning;  // one sentence
};
// Every element the dial draws, in the order it paints them.
std::span<const ElementGuide> elementGuide();

// The plain words: how the dial's up and down relate to the world and to
// the stick, and how to fly by it. Paragraphs, in order.
std::span<const std::string_view> readingTheDial();

// A worked situation: what the car does and what the dial shows for it.
struct SituationGuide {
    const char* name;   // the picture's file stem
    const char* title;  // "Level, ball ahead and to the right"
    const char* shows;  // what to see on the dial, a few sentences
};
std::span<const SituationGuide> situations();

// What each target option (the settings page's list) points the target
// marker at, in the order of the option's values.
std::span<const std::string_view> targetOptionMeanings();

// Labels beside the dial, each joined by a line to its element's point and
// a ring round it, laid out in two columns left and right of the dial and
// kept inside `area` (min, max). Elements not drawn this frame get no
// label. Draws with ImGui's current font at `fontSize`.
// `only`: the elements to label, a bit for each (1 << DialElement); all
// by default.
void drawDialLabels(ImDrawList* list, const DialElements& dial, ImVec2 areaMin, ImVec2 areaMax,
                    float fontSize, uint32_t only = ~0u);

// The help overlay's page: the elements with their colours and meanings,
// and the plain words, as ImGui widgets in the current window.
void drawDialGuideText(float wrapWidth);

}  // namespace canvas
