// What the windows beside the control panel may ask of it: the view with the
// selected robot, the tool and World frames, and a refresh of the read-outs.
// The RAPID panel reaches the control panel only through this.
#pragma once

#include <GL/gl.h>

class glwidget;

class PanelCommands
{
public:
    virtual glwidget *view() const = 0;
    virtual void Change_TCP(GLfloat *newHT) = 0;
    virtual void Change_WOBJ(GLfloat *newHB) = 0;
    virtual int increaseValue(int step) = 0;

protected:
    ~PanelCommands() = default;
};
