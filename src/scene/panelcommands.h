// What the windows beside the control panel may ask of it: the view with the
// selected robot, the tool and World frames, a refresh of the read-outs, and
// the two moves of Wii jogging. The RAPID and Wii windows reach the control
// panel only through this.
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

protected:
    ~PanelCommands() = default;
};
