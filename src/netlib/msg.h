// A unit of work for a task thread's queue: the thread runs OnMsg, then
// Release; Release disposes of the message.
#pragma once

class IMsg {
 public:
  virtual int OnMsg() = 0;
  virtual void Release() { delete this; }
  virtual ~IMsg() = default;
};
