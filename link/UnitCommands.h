#pragma once

#include <QByteArray>

// Every command the program sends to an instrument unit, byte for byte. A command is its command byte, its
// fields as fixed-picture decimal text, and the terminator byte 26. Numbers are in the wire units: degrees
// F, 1/s, and 1/s per rpm for the shear-rate factor.
namespace UnitCommands {

constexpr char kTerminator = 26;  // SUB: ends every command and every status reply

// Command bytes.
constexpr char kDataRequest = 1;
constexpr char kSequenceAnnounce = 3;
constexpr char kSetPoint = 5;
constexpr char kStop = 6;
constexpr char kStatusQuery = 7;
constexpr char kZero = 8;
constexpr char kPreheat = 9;
constexpr char kRaiseBath = 13;
constexpr char kDropBath = 15;
constexpr char kCommand131 = static_cast<char>(131);

QByteArray dataRequest();
QByteArray sequenceAnnounce();
// Byte 5, temperature "000.0", ",", shear rate "0000.0000", ",", shear-rate factor "000.0000", byte 26.
QByteArray setPoint(double temp_F, double shearRate_1ps, double shearRateFactor);
QByteArray stop();
QByteArray statusQuery();
QByteArray zero();
// Byte 9, target bath temperature "000.0", byte 26.
QByteArray preheat(double temp_F);
QByteArray raiseBath();
QByteArray dropBath();
// The jog button: 100 rpm whatever bob is mounted (set point 50 F, 100 1/s, factor 1).
QByteArray jog();
QByteArray command131();

}  // namespace UnitCommands
