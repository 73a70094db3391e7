#pragma once

// The moving parts of the spinning disc: the label's rotation and the tone arm, each eased toward
// its target once per 16 ms tick. No painting here.
class DiscMotion
{
public:
    void start();
    void stop();
    // One tick. False once nothing moves any more, so the caller can stop its timer.
    bool tick();
    // Something still eases toward its target (or the record runs).
    bool isMoving() const;
    // Only the label turns, at its running speed: the next ticks change nothing but its angle.
    bool isCruising() const;

    bool isSpinning() const { return m_spinning; }
    float armAngle() const { return m_armAngle; }
    float armTarget() const { return m_armTarget; }
    float labelAngle() const { return m_labelAngle; }
    float labelSpeed() const { return m_labelSpeed; }
    float motorSpeed() const { return m_motorSpeed; }

    static constexpr float parkedArmAngle = -28.0f;

private:
    // The motor speed is not drawn; it only keeps the animation alive while the record runs.
    float m_motorSpeed = 0.0f;
    float m_motorTarget = 0.0f;
    float m_armAngle = parkedArmAngle;
    float m_armTarget = parkedArmAngle;
    float m_lift = 0.0f;
    float m_liftTarget = 0.0f;
    float m_labelAngle = 0.0f;
    float m_labelSpeed = 0.0f;
    float m_speedTarget = 0.0f;
    bool m_spinning = false;
};
