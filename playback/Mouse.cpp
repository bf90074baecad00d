// Buttons and the mouse: which button lies under the pointer (tested on the hit state's shapes
// through the display tree), the transitions between idle, over and down, and the actions of
// the transitions whose conditions match.
#include "PlayerImpl.h"

#include "playback/TextField.h"
#include "raster/HitTest.h"

namespace playback {
namespace {

bool ShapeContains(const CachedShape& shape, raster::Point p) {
    for (const CachedDraw& d : shape.draws) {
        if (d.stroke ? raster::StrokeContains(d.path, d.strokeStyle, p) : raster::FillContains(d.path, d.rule, p))
            return true;
    }
    return false;
}

}  // namespace

namespace {

// Whether `o`'s drawing (or its hit area, for buttons) covers the stage point under `toLocal`'s
// parent map; `world` maps o's parent space to the stage.
bool Covers(const Player::Impl& impl, const DisplayObject& o, const raster::Matrix& parentWorld, raster::Point stage) {
    const raster::Matrix world = parentWorld * o.matrix;
    if (const CachedShape* shape = impl.ShapeOf(o)) {
        raster::Matrix inv = world;
        if (!inv.Invert())
            return false;
        const raster::Point local = inv.Apply(stage);
        const raster::Rect& b = shape->bounds;
        const bool inBounds = local.x >= b.xMin && local.x <= b.xMax && local.y >= b.yMin && local.y <= b.yMax;
        if (inBounds && ShapeContains(*shape, local))
            return true;
    }
    const auto& kids = o.kind == ObjectKind::Button ? o.hitChildren : o.children;
    for (const auto& c : kids)
        if (c->clipDepth == 0 && Covers(impl, *c, world, stage))
            return true;
    return false;
}

constexpr uint32_t kButtonEvents = kEventPress | kEventRelease | kEventReleaseOutside | kEventRollOver | kEventRollOut |
                                   kEventDragOver | kEventDragOut;

// A clip with button events of its own (on(press) and the like, or script handlers) is a button.
bool ClipIsButton(const Player::Impl& impl, DisplayObject& o) {
    for (const movie::ClipActionDef& a : o.clipActions)
        if (a.events & kButtonEvents)
            return true;
    return impl.runner->HandlesMouse(o);
}

// The clip event a button transition stands for.
uint32_t ClipEventOf(uint16_t condition) {
    switch (condition) {
    case movie::kIdleToOverUp:
        return kEventRollOver;
    case movie::kOverUpToIdle:
        return kEventRollOut;
    case movie::kOverUpToOverDown:
        return kEventPress;
    case movie::kOverDownToOverUp:
        return kEventRelease;
    case movie::kOutDownToIdle:
        return kEventReleaseOutside;
    case movie::kOverDownToOutDown:
        return kEventDragOut;
    case movie::kOutDownToOverDown:
    case movie::kIdleToOverDown:
        return kEventDragOver;
    case movie::kOverDownToIdle:
        return kEventDragOut;
    default:
        return 0;
    }
}

DisplayObject* FindButton(const Player::Impl& impl, DisplayObject& o, const raster::Matrix& parentWorld,
                          raster::Point stage) {
    if (!o.visible)
        return nullptr;
    const raster::Matrix world = parentWorld * o.matrix;
    if (o.kind == ObjectKind::Button) {
        // A button among the ones it shows takes the mouse before it.
        for (size_t i = o.children.size(); i-- > 0;) {
            DisplayObject& c = *o.children[i];
            if (c.kind == ObjectKind::Button && !c.clipDepth)
                if (DisplayObject* b = FindButton(impl, c, world, stage))
                    return b;
        }
        return Covers(impl, o, parentWorld, stage) ? &o : nullptr;
    }
    if (o.kind != ObjectKind::Clip)
        return nullptr;
    if (o.parent && ClipIsButton(impl, o))
        return Covers(impl, o, parentWorld, stage) ? &o : nullptr;
    for (size_t i = o.children.size(); i-- > 0;) {
        DisplayObject& c = *o.children[i];
        if (c.clipDepth)
            continue;
        if (DisplayObject* b = FindButton(impl, c, world, stage))
            return b;
    }
    return nullptr;
}

DisplayObject* FindTextField(const Player& player, DisplayObject& o, raster::Point stage) {
    if (!o.visible)
        return nullptr;
    if (o.textField)
        return o.textField->selectable && player.HitTest(o, stage, false) ? &o : nullptr;
    if (!o.IsContainer())
        return nullptr;
    for (size_t i = o.children.size(); i-- > 0;) {
        DisplayObject& c = *o.children[i];
        if (c.clipDepth)
            continue;
        if (DisplayObject* f = FindTextField(player, c, stage))
            return f;
    }
    return nullptr;
}

ButtonState VisibleState(ButtonMouse m) {
    switch (m) {
    case ButtonMouse::OverUp:
        return ButtonState::Over;
    case ButtonMouse::OverDown:
        return ButtonState::Down;
    case ButtonMouse::OutDown:
        return ButtonState::Over;
    default:
        return ButtonState::Up;
    }
}

}  // namespace

DisplayObject* Player::Impl::ButtonAt(raster::Point stagePoint) {
    // The highest level first: it lies on top.
    for (auto it = levels.rbegin(); it != levels.rend(); ++it)
        if (DisplayObject* b = FindButton(*this, *it->second, raster::Matrix{}, stagePoint))
            return b;
    return FindButton(*this, *player.m_root, raster::Matrix{}, stagePoint);
}

DisplayObject* Player::Impl::TextFieldAt(raster::Point stagePoint) {
    for (auto it = levels.rbegin(); it != levels.rend(); ++it)
        if (DisplayObject* f = FindTextField(player, *it->second, stagePoint))
            return f;
    return FindTextField(player, *player.m_root, stagePoint);
}

void Player::Impl::SetButtonMouse(DisplayObject& b, ButtonMouse state, uint16_t condition) {
    if (b.buttonMouse == state)
        return;
    b.buttonMouse = state;
    if (b.kind == ObjectKind::Button) {
        const ButtonState visible = VisibleState(state);
        if (visible != b.buttonState) {
            b.buttonState = visible;
            ++treeVersion;
            BuildButtonChildren(b);
        }
    }
    RunButtonTransition(b, condition);
}

void Player::Impl::RunButtonTransition(DisplayObject& b, uint16_t condition) {
    const uint32_t event = ClipEventOf(condition);
    if (b.kind == ObjectKind::Clip) {
        if (event)
            RunClipEvents(b, event);
        Drain();
        return;
    }
    DisplayObject* holder = b.parent;
    if (!holder || !b.button)
        return;
    for (const movie::ButtonActionDef& a : b.button->actions) {
        if (!(a.conditions & condition))
            continue;
        ActionContext context{player, *holder, ActionSource::Button, condition, &b};
        runner->RunButtonActions(context, a.actions);
    }
    if (event && !b.removed) {
        // Handlers scripts gave the button itself (onRelease and the like).
        ActionContext context{player, b, ActionSource::ClipEvent, event, &b};
        runner->ClipEventOccurred(context);
    }
    Drain();
}

bool Player::Impl::RunKeyPress(DisplayObject& o, uint8_t code) {
    if (o.removed || !o.visible)
        return false;
    bool ran = false;
    if (o.kind == ObjectKind::Button && o.button && o.parent) {
        for (const movie::ButtonActionDef& a : o.button->actions) {
            if (a.keyCode != code || o.removed)
                continue;
            ActionContext context{player, *o.parent, ActionSource::Button, 0, &o};
            runner->RunButtonActions(context, a.actions);
            ran = true;
        }
        return ran;  // the first button whose key it is takes the press
    }
    if (o.kind != ObjectKind::Clip)
        return false;
    for (const movie::ClipActionDef& a : o.clipActions) {
        if (!(a.events & kEventKeyPress) || a.keyCode != code || o.removed)
            continue;
        ActionContext context{player, o, ActionSource::ClipEvent, kEventKeyPress};
        runner->RunClipEvent(context, a.actions);
        ran = true;
    }
    if (ran)
        return true;
    // The children as they stand now (actions may add or remove some).
    const size_t start = tickScratch.size();
    for (const auto& c : o.children)
        tickScratch.push_back(c.get());
    const size_t end = tickScratch.size();
    for (size_t i = start; i < end && !ran; ++i)
        ran = RunKeyPress(*tickScratch[i], code);
    tickScratch.resize(start);
    return ran;
}

void Player::Impl::UpdateButtons() {
    if (testedVersion == treeVersion && testedX == mouseX && testedY == mouseY)
        return;
    testedVersion = treeVersion;
    testedX = mouseX;
    testedY = mouseY;
    raster::Matrix toStage = stageMatrix;
    if (!toStage.Invert())
        return;
    const raster::Point stage = toStage.Apply({mouseX, mouseY});
    DisplayObject* under = ButtonAt(stage);
    if (pressed) {
        // While pressed, only the pressed button changes, between over-down and out-down.
        if (under == pressed && pressed->buttonMouse == ButtonMouse::OutDown)
            SetButtonMouse(*pressed, ButtonMouse::OverDown, movie::kOutDownToOverDown);
        else if (pressed && under != pressed && pressed->buttonMouse == ButtonMouse::OverDown)
            SetButtonMouse(*pressed, ButtonMouse::OutDown, movie::kOverDownToOutDown);
        hovered = under;
        return;
    }
    if (mouseDown) {
        // A press begun elsewhere: only buttons that track as menus take it as the pointer
        // comes over them, and give it up as it leaves.
        if (under != hovered) {
            if (hovered && !hovered->removed && hovered->buttonMouse == ButtonMouse::OverDown)
                SetButtonMouse(*hovered, ButtonMouse::Idle, movie::kOverDownToIdle);
            hovered = under;
            if (hovered && TracksAsMenu(*hovered))
                SetButtonMouse(*hovered, ButtonMouse::OverDown, movie::kIdleToOverDown);
        }
        return;
    }
    if (under != hovered) {
        if (hovered && !hovered->removed)
            SetButtonMouse(*hovered, ButtonMouse::Idle, movie::kOverUpToIdle);
        hovered = under;
        if (hovered)
            SetButtonMouse(*hovered, ButtonMouse::OverUp, movie::kIdleToOverUp);
    }
}

void Player::Impl::RetestIdleHover() {
    if (hovered && !mouseDown && hovered->buttonMouse == ButtonMouse::Idle)
        hovered = nullptr;
    testedVersion = 0;
}

bool Player::Impl::TracksAsMenu(DisplayObject& o) {
    return (o.button && o.button->trackAsMenu) || runner->TracksAsMenu(o);
}

void Player::Impl::BroadcastClipEvent(uint32_t event) {
    // The clips as they stand now (handlers may add or remove some), the newest first.
    CollectClipsNewestFirst(eventOrder);
    for (size_t i = 0; i < eventOrder.size(); ++i)
        if (!eventOrder[i]->removed)
            RunClipEvents(*eventOrder[i], event);
}

void Player::Impl::PointerAt(float x, float y, bool reported) {
    const bool moved = x != mouseX || y != mouseY;
    mouseX = x;
    mouseY = y;
    if (moved && highlighted) {
        // The button the keyboard showed goes back to the mouse: out, unless the pointer is on it.
        DisplayObject* b = highlighted;
        highlighted = nullptr;
        raster::Matrix toStage = stageMatrix;
        const bool under = toStage.Invert() && ButtonAt(toStage.Apply({mouseX, mouseY})) == b;
        if (under)
            hovered = b;
        else if (!b->removed)
            SetButtonMouse(*b, ButtonMouse::Idle, movie::kOverUpToIdle);
    }
    if (moved)
        RetestIdleHover();
    UpdateButtons();
    if (moved || reported) {
        BroadcastClipEvent(kEventMouseMove);
        Drain();
    }
}

// A move the host reports is a mouse move event even when the pointer stays where it was.
void Player::MouseMove(float x, float y) {
    ShowFocusRect(nullptr);
    m_impl->PointerAt(x, y, true);
}

void Player::MouseDown(float x, float y) {
    ShowFocusRect(nullptr);
    m_impl->PointerAt(x, y, false);
    m_impl->mouseDown = true;
    m_impl->BroadcastClipEvent(kEventMouseDown);
    m_impl->Drain();
    raster::Matrix toStage = m_impl->stageMatrix;
    DisplayObject* field = toStage.Invert() ? m_impl->TextFieldAt(toStage.Apply({x, y})) : nullptr;
    m_impl->runner->PointerPressed(field);
    m_impl->Drain();
    if (m_impl->hovered) {
        m_impl->pressed = m_impl->hovered;
        m_impl->SetButtonMouse(*m_impl->pressed, ButtonMouse::OverDown, movie::kOverUpToOverDown);
    }
}

void Player::MouseUp(float x, float y) {
    ShowFocusRect(nullptr);
    m_impl->PointerAt(x, y, false);
    m_impl->mouseDown = false;
    m_impl->BroadcastClipEvent(kEventMouseUp);
    m_impl->Drain();
    DisplayObject* b = m_impl->pressed;
    m_impl->pressed = nullptr;
    if (!b) {
        // Released over a menu that took the press on the way: its release runs.
        DisplayObject* menu = m_impl->hovered;
        if (menu && !menu->removed && menu->buttonMouse == ButtonMouse::OverDown)
            m_impl->SetButtonMouse(*menu, ButtonMouse::OverUp, movie::kOverDownToOverUp);
        m_impl->RetestIdleHover();
        m_impl->UpdateButtons();
        return;
    }
    if (b->buttonMouse == ButtonMouse::OverDown) {
        m_impl->SetButtonMouse(*b, ButtonMouse::OverUp, movie::kOverDownToOverUp);
    } else {
        m_impl->SetButtonMouse(*b, ButtonMouse::Idle, movie::kOutDownToIdle);
        m_impl->UpdateButtons();
    }
}

void Player::KeyEvent(uint32_t event) {
    m_impl->BroadcastClipEvent(event);
    m_impl->Drain();
}

bool Player::KeyPress(uint8_t code) {
    const bool ran = code && m_impl->RunKeyPress(*m_root, code);
    m_impl->Drain();
    return ran;
}

void Player::ClickButton(DisplayObject& button) {
    if (button.removed || !button.IsContainer())
        return;
    m_impl->RunButtonTransition(button, movie::kOverUpToOverDown);
    if (!button.removed)
        m_impl->RunButtonTransition(button, movie::kOverDownToOverUp);
}

bool Player::HitTest(const DisplayObject& object, raster::Point stage, bool shapes) const {
    const raster::Matrix parentWorld = object.parent ? object.parent->WorldMatrix() : raster::Matrix{};
    if (shapes)
        return Covers(*m_impl, object, parentWorld, stage);
    const raster::Rect r = BoundsUnder(object, parentWorld * object.matrix);
    return !r.Empty() && stage.x >= r.xMin && stage.x <= r.xMax && stage.y >= r.yMin && stage.y <= r.yMax;
}

void Player::HighlightButton(DisplayObject* button) {
    Impl& m = *m_impl;
    DisplayObject* shown = m.highlighted;
    if (!shown && m.hovered && !m.hovered->removed && m.hovered->buttonMouse == ButtonMouse::OverUp)
        shown = m.hovered;
    m.highlighted = nullptr;
    if (shown && !shown->removed)  // even when it is the one coming: out, then over again
        m.SetButtonMouse(*shown, ButtonMouse::Idle, movie::kOverUpToIdle);
    if (button && !button->removed && button->kind == ObjectKind::Button) {
        m.highlighted = button;
        m.SetButtonMouse(*button, ButtonMouse::OverUp, movie::kIdleToOverUp);
    }
}

bool Player::HandCursor() const {
    return m_impl->hovered != nullptr;
}

}  // namespace playback
