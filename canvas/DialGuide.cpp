#include "canvas/DialGuide.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace canvas {
namespace {

constexpr std::array<ElementGuide, kDialElementCount> kElements = {{
    {DialElement::BackgroundDisc, "background disc", "dark grey",
     "The dial's frame; the target marker and the stick indicator sit on it."},
    {DialElement::GroundDisc, "ground disc", "orange",
     "The half of the world below the horizon: the floor's side."},
    {DialElement::SkyRegion, "sky region", "cyan",
     "The half of the world above the horizon. On a level car it fills the lower half of the "
     "dial: world up is drawn below the centre."},
    {DialElement::HorizonLine, "horizon line", "white",
     "Where the sky region meets the ground disc; it tilts as the car rolls and moves as the "
     "nose rises or falls."},
    {DialElement::MeridianLines, "meridian lines", "white",
     "Two great circles through straight up and straight down, a quarter turn apart; they "
     "turn as the car yaws."},
    {DialElement::TargetMarker, "target marker", "white, on the rim",
     "Points round the rim towards the target chosen in the settings (the ball, the velocity, "
     "up, down, or their opposites)."},
    {DialElement::StickIndicator, "stick indicator", "green, on the rim",
     "Shows which way the stick is pushed: forward at the top, back at the bottom. The nose "
     "swings that way across the dial."},
    {DialElement::BallDot, "ball dot", "blue square",
     "Where the ball is, seen along the nose: at the centre it is dead ahead, at the rim a "
     "quarter turn off the nose."},
    {DialElement::VelocityDot, "velocity dot", "green square",
     "Where the car moves relative to the ball (its velocity less the ball's); hidden below "
     "10 uu/s."},
    {DialElement::CentreSymbol, "centre symbol", "black",
     "The car's nose: the middle of the dial is straight ahead."},
}};

constexpr std::array<std::string_view, 4> kReading = {
    "The dial shows the world as seen along the car's nose. Its middle, under the black centre "
    "symbol, is straight ahead; the rim is a quarter turn off the nose in every direction.",
    "The dial is not a pilot's artificial horizon, which has the sky on top: here world up lies "
    "below the centre when the car is level, so the cyan sky region fills the lower half and the "
    "orange ground disc the upper half. The stick shows the same way: pushed forward (nose down) "
    "the stick indicator sits at the top, pulled back (nose up) at the bottom, and left and right "
    "at the left and right. Pulling back swings the nose down the dial, into the sky region, as "
    "it swings up in the world.",
    "Read it as: bring the stick indicator onto the dot. Whichever way the stick indicator "
    "points, the centre of the dial moves that way across the world; hold the stick towards the "
    "blue ball dot and the ball comes to the middle.",
    "A dot with a black cross lies behind the car (more than a quarter turn off the nose); it is "
    "drawn mirrored through the centre, smaller. Steer away from a crossed dot: it runs out to "
    "the rim and comes back in, plain, on the opposite side.",
};

constexpr std::array<SituationGuide, 3> kSituations = {{
    {"situation-level-ball-right", "Level, ball ahead and to the right",
     "The car flies level, sinking a little. The horizon lies flat across the middle with the "
     "sky region below it (world up is drawn below the centre). The blue ball dot sits right of "
     "the centre: the ball is about 27 degrees to the right. The stick is pushed right, so the "
     "stick indicator sits at the right of the rim, on the target marker, and the nose yaws "
     "towards the ball. The green velocity dot, just above the centre on the ground's side, says "
     "the car is sinking."},
    {"situation-nose-up-ball-below", "Nose up, ball below the nose",
     "The nose points 45 degrees up: the horizon has moved up the dial, towards the ground's "
     "side, and the sky region fills most of it. The ball is below the nose, so its dot sits "
     "above the centre. The stick is pushed forward (nose down): the stick indicator sits at the "
     "top, towards the dot, and as the nose comes down the dot moves to the middle."},
    {"situation-falling-velocity-behind", "Falling, the velocity dot behind",
     "The car is level, falling and drifting backwards, away from the ball: its motion points "
     "more than a quarter turn off the nose, so the green velocity dot is drawn small, with a "
     "black cross, mirrored through the centre (at the bottom). The target marker, set to "
     "Velocity, points round the rim to where the motion really lies: at the top, the ground's "
     "side. The ball is ahead and keeps a plain blue dot."},
}};

constexpr std::array<std::string_view, 7> kTargetMeanings = {
    "None: no target marker",
    "Up: straight up in the world (the way to the ceiling)",
    "Down: straight down (the way to the floor)",
    "Velocity: where the car moves relative to the ball",
    "Velocity (opposite): against that motion (to brake)",
    "Ball: the direction to the ball",
    "Ball (opposite): away from the ball",
};

constexpr ImU32 kLabelBackground = IM_COL32(16, 18, 22, 225);
constexpr ImU32 kLabelBorder = IM_COL32(230, 230, 230, 255);
constexpr ImU32 kLabelText = IM_COL32(245, 245, 245, 255);
constexpr ImU32 kLeader = IM_COL32(255, 235, 80, 255);
constexpr ImU32 kLeaderShade = IM_COL32(0, 0, 0, 200);

struct Label {
    const char* text = "";
    ImVec2 anchor;
    ImVec2 size;
    float y = 0.0f;  // the label box's top
};

// Stacks a column's labels by their elements' heights, none overlapping,
// and inside [top, bottom].
void stack(std::span<Label> column, float gap, float top, float bottom) {
    std::sort(column.begin(), column.end(),
              [](const Label& a, const Label& b) { return a.anchor.y < b.anchor.y; });
    float next = top;
    for (Label& l : column) {
        l.y = std::max(l.anchor.y - l.size.y * 0.5f, next);
        next = l.y + l.size.y + gap;
    }
    float limit = bottom;
    for (auto it = column.rbegin(); it != column.rend(); ++it) {
        it->y = std::min(it->y, limit - it->size.y);
        limit = it->y - gap;
    }
}

void drawColumn(ImDrawList* list, std::span<const Label> column, float x, bool left,
                float fontSize) {
    const float pad = fontSize * 0.35f;
    for (const Label& l : column) {
        const float x0 = left ? x - l.size.x : x;
        const ImVec2 boxMin(x0, l.y);
        const ImVec2 boxMax(x0 + l.size.x, l.y + l.size.y);
        const ImVec2 joint(left ? boxMax.x : boxMin.x, l.y + l.size.y * 0.5f);
        list->AddLine(joint, l.anchor, kLeaderShade, 4.0f);
        list->AddLine(joint, l.anchor, kLeader, 2.0f);
        list->AddCircle(l.anchor, fontSize * 0.3f, kLeaderShade, 16, 4.0f);
        list->AddCircle(l.anchor, fontSize * 0.3f, kLeader, 16, 2.0f);
        list->AddRectFilled(boxMin, boxMax, kLabelBackground, pad);
        list->AddRect(boxMin, boxMax, kLabelBorder, pad, 0, 1.0f);
        list->AddText(nullptr, fontSize, ImVec2(boxMin.x + pad, boxMin.y + pad * 0.5f), kLabelText,
                      l.text);
    }
}

}  // namespace

std::span<const ElementGuide> elementGuide() { return kElements; }
std::span<const std::string_view> readingTheDial() { return kReading; }
std::span<const SituationGuide> situations() { return kSituations; }
std::span<const std::string_view> targetOptionMeanings() { return kTargetMeanings; }

void drawDialLabels(ImDrawList* list, const DialElements& dial, ImVec2 areaMin, ImVec2 areaMax,
                    float fontSize, uint32_t only) {
    const ElementPlace& frame = dial[DialElement::BackgroundDisc];
    const ElementPlace& ground = dial[DialElement::GroundDisc];
    const ElementPlace& outer = frame.drawn ? frame : ground;
    if (!outer.drawn) return;
    const float cx = (outer.minX + outer.maxX) * 0.5f;
    const float margin = fontSize * 1.5f;

    std::array<Label, kDialElementCount> left{}, right{};
    std::size_t nLeft = 0, nRight = 0;
    ImFont* font = ImGui::GetFont();
    const float pad = fontSize * 0.35f;
    for (const ElementGuide& g : kElements) {
        const ElementPlace& p = dial[g.element];
        if (!p.drawn || (only & (1u << static_cast<unsigned>(g.element))) == 0) continue;
        const bool crossedDot = p.crossed && (g.element == DialElement::BallDot ||
                                              g.element == DialElement::VelocityDot);
        Label l;
        l.text = crossedDot ? (g.element == DialElement::BallDot ? "ball dot, crossed: behind"
                                                                 : "velocity dot, crossed: behind")
                            : g.label;
        l.anchor = ImVec2(p.x, p.y);
        const ImVec2 text = font->CalcTextSizeA(fontSize, 1e9f, 0.0f, l.text);
        l.size = ImVec2(text.x + 2.0f * pad, text.y + pad);
        (p.x < cx ? left[nLeft++] : right[nRight++]) = l;
    }
    const float top = areaMin.y + margin * 0.5f;
    const float bottom = areaMax.y - margin * 0.5f;
    stack(std::span(left.data(), nLeft), pad, top, bottom);
    stack(std::span(right.data(), nRight), pad, top, bottom);
    const float leftX = std::max(
        outer.minX - margin, areaMin.x + margin * 0.5f + [&] {
            float w = 0.0f;
            for (std::size_t i = 0; i < nLeft; ++i) w = std::max(w, left[i].size.x);
            return w;
        }());
    const float rightX = std::min(
        outer.maxX + margin, areaMax.x - margin * 0.5f - [&] {
            float w = 0.0f;
            for (std::size_t i = 0; i < nRight; ++i) w = std::max(w, right[i].size.x);
            return w;
        }());
    drawColumn(list, std::span(left.data(), nLeft), leftX, true, fontSize);
    drawColumn(list, std::span(right.data(), nRight), rightX, false, fontSize);
}

void drawDialGuideText(float wrapWidth) {
    ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + wrapWidth);
    for (std::string_view paragraph : kReading) {
        ImGui::TextUnformatted(paragraph.data(), paragraph.data() + paragraph.size());
        ImGui::Spacing();
    }
    ImGui::PopTextWrapPos();
    if (ImGui::BeginTable("elements", 3,
                          ImGuiTableFlags_RowBg | ImGuiTableFlags_BordersInnerV |
                              ImGuiTableFlags_SizingStretchProp,
                          ImVec2(wrapWidth, 0.0f))) {
        ImGui::TableSetupColumn("element", ImGuiTableColumnFlags_WidthFixed);
        ImGui::TableSetupColumn("colour", ImGuiTableColumnFlags_WidthFixed);
        ImGui::TableSetupColumn("what it shows", ImGuiTableColumnFlags_WidthStretch);
        ImGui::TableHeadersRow();
        for (const ElementGuide& g : kElements) {
            ImGui::TableNextRow();
            ImGui::TableNextColumn();
            ImGui::TextUnformatted(g.label);
            ImGui::TableNextColumn();
            ImGui::TextUnformatted(g.colour);
            ImGui::TableNextColumn();
            ImGui::TextWrapped("%s", g.meaning);
        }
        ImGui::EndTable();
    }
}

}  // namespace canvas
