#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <memory>

// JSON text as the link carries it, written by RapidJSON's writer in the order of the calls: one
// request, answer or part of one at a time. Made once and reused, since clear() keeps the room
// the buffer has grown to, up to kKeptRoom; writing a row straight from its fields costs a fraction
// of building Qt's JSON values and serializing those.
class JsonWriter {
public:
    JsonWriter();
    ~JsonWriter();
    JsonWriter(const JsonWriter&) = delete;
    JsonWriter& operator=(const JsonWriter&) = delete;

    // Room beyond this is given back by clear(): a server keeps a writer for each connection, and
    // one page of rows would otherwise stay allocated for the connection's life.
    static constexpr qsizetype kKeptRoom = 256 * 1024;

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
    // Its length in bytes, without copying it.
    qsizetype size() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};
