// What the windows beside the control panel may ask of it: the view with the
// selected robot, the tool and World frames, a refresh of the read-outs, the
// two moves of Wii jogging, and for the program editor the convention of the
// pose read-outs and a move to given joints. The RAPID, Wii and program
// windows reach the control panel only through this.
#pragma once

#include <GL/gl.h>

class glwidget;

class PanelCommands
{
public:
    virtual glwidget *view() const = 0;
    virtual void Change_TCP(GLfloat *newHT) = 0;
    virtual void Change_WOBJ(GLfloat *newHB) = 0;
    virtual void refreshReadouts() = 0;
    // A rotation of the TCP relative to where the remote's button B was pressed.
    virtual void Receive_Wii_Hrel(GLfloat *Hr) = 0;
    // The robot back to the given joint values (`set_ik`: refresh the solver's list).
    virtual void resetAngles(const double *zero, bool set_ik) = 0;
    // The robot to these six joint values (degrees) if the joint-limit gate
    // lets them through, as the player moves it; nothing happens otherwise.
    virtual void setConfiguration_precise(GLfloat *joints) = 0;
    // The list of configurations for the pose the robot now has.
    virtual void updateIKslider() = 0;
    // The Euler convention of the TCP read-outs (toolbox::EulerConvention).
    virtual int eulerCode() const = 0;

protected:
    ~PanelCommands() = default;
};
