#include "ui/views/discmotion.h"

#include <cmath>

namespace {
constexpr float motorEasing = 0.06f;
constexpr float armEasing = 0.08f;
constexpr float liftEasing = 0.08f;
constexpr float speedEasing = 0.06f;
} // namespace

void DiscMotion::start()
{
    m_motorTarget = 0.2376f;
    m_armTarget = 32.0f;
    m_spinning = true;
    m_liftTarget = 0.0f;
    m_speedTarget = 0.0396f;
}

void DiscMotion::stop()
{
    // The label stops at once; only the arm swings back.
    m_motorTarget = 0.0f;
    m_motorSpeed = 0.0f;
    m_armTarget = 0.0f;
    m_spinning = false;
    m_liftTarget = 0.0f;
    m_speedTarget = 0.0f;
    m_labelSpeed = 0.0f;
}

bool DiscMotion::tick()
{
    m_motorSpeed = (1.0f - motorEasing) * m_motorSpeed + motorEasing * m_motorTarget;
    m_armAngle = (1.0f - armEasing) * m_armAngle + armEasing * m_armTarget;
    m_lift = (1.0f - liftEasing) * m_lift + liftEasing * m_liftTarget;
    m_labelSpeed = speedEasing * m_speedTarget + (1.0f - speedEasing) * m_labelSpeed;
    // Kept within one turn so the angle does not lose precision over long sessions.
    m_labelAngle = std::fmod(m_labelAngle + m_labelSpeed, 360.0f);
    return isMoving();
}

bool DiscMotion::isCruising() const
{
    return m_spinning && std::abs(m_motorSpeed - m_motorTarget) < 0.001f
        && std::abs(m_armAngle - m_armTarget) < 0.01f && std::abs(m_lift - m_liftTarget) < 0.01f
        && std::abs(m_labelSpeed - m_speedTarget) < 1e-4f;
}

bool DiscMotion::isMoving() const
{
    return !(std::abs(m_motorSpeed) < 0.001f && std::abs(m_motorTarget) < 0.001f
        && std::abs(m_armAngle - m_armTarget) < 0.01f && std::abs(m_lift - m_liftTarget) < 0.01f);
}
