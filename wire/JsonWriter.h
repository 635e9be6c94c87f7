#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <memory>

// JSON text as the link carries it, written by RapidJSON's writer in the order of the calls: one
// request, answer or part of one at a time. Made once and reused, since clear() keeps the room
// the buffer has grown to; writing a row straight from its fields costs a fraction of building
// Qt's JSON values and serializing those.
class JsonWriter {
public:
    JsonWriter();
    ~JsonWriter();
    JsonWriter(const JsonWriter&) = delete;
    JsonWriter& operator=(const JsonWriter&) = delete;

    // Starts over, as if nothing had been written: also after a failure left a value half done.
    void clear();

    void startObject();
    void endObject();
    void startArray();
    void endArray();
    // A member's name: one of this program's constants, in Latin-1.
    void key(const char* name);

    void string(const QString& text);
    void number(double value); // integers as integers, so ids and counts read back as written
    void boolean(bool value);
    void null();
    // Any Qt JSON value, for what is not written field by field.
    void value(const QJsonValue& json);
    // A whole value this class wrote before (see text()).
    void raw(const QByteArray& json);

    // What has been written; whole once every started object and array has ended.
    QByteArray text() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};
