#pragma once

// How the user learns that the module waits for the application server: the window shows its
// busy animation. Every wait that begins also ends, on failure as on success; a reading call ends
// the wait after its answer whether or not it began one, and an end with no wait does nothing.
class LinkActivity {
public:
    enum class Wait { Connect, Read, Send };

    virtual ~LinkActivity() = default;
    virtual void begin(Wait wait) = 0;
    virtual void end() = 0;
};
