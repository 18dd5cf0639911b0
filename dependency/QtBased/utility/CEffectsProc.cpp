#include "CEffectsProc.h"

#include "Basilvo/QuentaLogger.h"
#include "Moorlan.h"

#include <cstdio>
#include <string>

namespace {

const char* const kEffectNames[7] = {nullptr,  "simple_gauss_blur", "simple_laplacian_sharpen", "gray", "flip_color",
                                     "invert", "aged_film"};

std::string Text(const char* format, double value)
{
    char buffer[64];
    snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

std::string Text(int value)
{
    return std::to_string(value);
}

} // namespace

CEffectsProc::CEffectsProc(Moorland::IAVManager* manager) : m_manager(manager) {}

CEffectsProc::~CEffectsProc()
{
    for (Moorland::IVideoProcessor* p : {m_colour, m_effectProc, m_reverse, m_rotate, m_3dProc})
        if (p)
            p->Release();
    if (m_deinterlacer)
        m_deinterlacer->Release();
}

void CEffectsProc::resetEffectInfo()
{
    m_brightness = m_contrast = m_saturation = 0;
    m_effect = m_heldEffect = EffectNone;
    m_deinterlace = false;
    m_mirror = m_vertical = 0;
    m_rotation = 0;
    m_3d = false;
    m_3dType = 1;
    m_3dDepth = 0;
}

Moorland::IVideoProcessor* CEffectsProc::Make(Moorland::IVideoProcessor*& held, const char* name)
{
    if (!held && m_manager)
        held = m_manager->CreateVideoProcessor(name);
    if (!held && !m_loggedMissing) {
        // Once per chain: a missing processor would otherwise log every frame.
        m_loggedMissing = true;
        GetQuentaLogger()->Log(LOG_WARN, "CEffectsProc",
                               (std::string("no video processor \"") + name + "\"; the step is skipped").c_str(),
                               nullptr, 0);
    }
    return held;
}

void CEffectsProc::rebuild3DEffectProc()
{
    if (m_3dProc)
        m_3dProc->Release();
    m_3dProc = nullptr;
    Make(m_3dProc, "2D_3D_TransForm");
}

void CEffectsProc::Apply(Moorland::IVideoProcessor* p, Moorland::IRawVideoFrame*& frame, bool& makeNew, bool& replaced)
{
    Moorland::ProcessParams params{};
    if (!makeNew && (p->ProcessFrameInPlace(&params, 0, frame) || !replaced))
        return;
    // A step that changes the picture's size (a quarter turn) cannot work in
    // place on a picture that cannot change its size, such as the
    // deinterlacer's: on a picture of the chain's own it makes a new one,
    // and the one before goes.
    Moorland::IRawVideoFrame* made = p->ProcessFrame(&params, 0, frame);
    if (!made)
        return;
    if (replaced)
        frame->Free();
    frame = made;
    replaced = true;
    makeNew = false;
}

bool CEffectsProc::Run(Moorland::IRawVideoFrame*& frame, bool newFrame)
{
    if (!frame)
        return false;
    bool makeNew = newFrame, replaced = false;

    if (m_deinterlace) {
        if (!m_deinterlacer) {
            m_deinterlacer = CreateImageDeinterlace();
            if (!m_deinterlacer)
                GetQuentaLogger()->Log(LOG_WARN, "CEffectsProc", "no deinterlacer; the step is skipped", nullptr, 0);
        }
        if (m_deinterlacer) {
            if (makeNew) {
                if (Moorland::IRawVideoFrame* made = m_deinterlacer->Deinterlace(frame)) {
                    frame = made;
                    replaced = true;
                    makeNew = false;
                }
            } else {
                m_deinterlacer->DeinterlaceInPlace(frame);
            }
        }
    }

    for (const EffectStep& step : Steps()) {
        Moorland::IVideoProcessor* p = nullptr;
        if (step.name == "brightness_contrast") {
            p = Make(m_colour, "brightness_contrast");
        } else if (step.name == "reverse") {
            p = Make(m_reverse, "reverse");
        } else if (step.name == "EffectNameRotate90X") {
            p = Make(m_rotate, "EffectNameRotate90X");
        } else if (step.name == "2D_3D_TransForm") {
            p = Make(m_3dProc, "2D_3D_TransForm");
        } else {
            if (m_effect != m_heldEffect && m_effectProc) {
                m_effectProc->Release();
                m_effectProc = nullptr;
            }
            p = Make(m_effectProc, step.name.c_str());
            if (p)
                m_heldEffect = m_effect;
        }
        if (!p)
            continue;
        for (const auto& param : step.params)
            p->SetParameter(param.first.c_str(), param.second.c_str());
        Apply(p, frame, makeNew, replaced);
    }
    return replaced;
}

std::vector<EffectStep> CEffectsProc::Steps() const
{
    std::vector<EffectStep> steps;
    if (static_cast<int>(m_brightness * 100.0) != 0 || static_cast<int>(m_contrast * 100.0) != 0 ||
        static_cast<int>(m_saturation * 100.0) != 0)
        steps.push_back({"brightness_contrast",
                         {{"brightness", Text("%.3f", m_brightness)},
                          {"contrast", Text("%.3f", m_contrast)},
                          {"saturation", Text("%.3f", m_saturation)}}});
    if (m_effect > EffectNone && m_effect <= EffectAgedFilm)
        steps.push_back({kEffectNames[m_effect], {}});
    if (m_mirror != 0 || m_vertical != 0 || m_rotation != 0) {
        int direction = 0, mirror = m_mirror, vertical = m_vertical;
        if (m_rotation == 90) {
            direction = 1;
        } else if (m_rotation == 180) {
            // A half turn is both flips.
            mirror = mirror ? 0 : 1;
            vertical = vertical ? 0 : 1;
        } else if (m_rotation == 270) {
            direction = 2;
        }
        steps.push_back({"reverse", {{"mirror", Text(mirror)}, {"vertical", Text(vertical)}}});
        if (direction != 0)
            steps.push_back({"EffectNameRotate90X", {{"Rotate90XDerection", Text(direction)}}});
    }
    if (m_3d && m_3dType != 0)
        steps.push_back({"2D_3D_TransForm", {{"2d_3d_depth", Text(m_3dDepth)}, {"2d_3d_type", Text(m_3dType)}}});
    return steps;
}

void CEffectsProc::ProcFrameInPlace(Moorland::IRawVideoFrame*& frame)
{
    Moorland::IRawVideoFrame* f = frame;
    Run(f, false);
}

bool CEffectsProc::ProcFrame(Moorland::IRawVideoFrame*& frame)
{
    return Run(frame, true);
}
