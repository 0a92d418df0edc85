#pragma once

#include <QDateTime>
#include <QJsonValue>
#include <QLatin1StringView>
#include <QString>

// The JSON document of one stored test ("r7716-test", version 1): its names, shared by the writer and the
// import, and by its JSON Schema (lims/schema/r7716-test.schema.json, the resource kSchemaResource).
namespace lims {

inline constexpr QLatin1StringView kFormat("r7716-test");
inline constexpr int kFormatVersion = 1;
inline constexpr const char* kSchemaResource = ":/lims/r7716-test.schema.json";

// Keys of the document, object by object.
namespace key {
using K = QLatin1StringView;
// The document.
inline constexpr K format("format"), formatVersion("format_version"), program("program"),
    programVersion("program_version"), station("station"), timeZone("time_zone"), written("written"),
    test("test"), additives("additives"), readings("readings"), chosenRates("chosen_rates_1ps"),
    ramps("ramps"), criteria("criteria"), exclusions("exclusions"), history("history");
// test: the TEST_INFO row.
inline constexpr K name("name"), time("time"), fluid("fluid"), researcher("researcher"), rotor("rotor"),
    bob("bob"), bobRadius("bob_radius_cm"), bobLength("bob_length_cm"), pretestPh("pretest_ph"),
    posttestPh("posttest_ph"), description("description");
// additives[]: name as above.
inline constexpr K concentration("concentration"), unit("unit"), lot("lot");
// readings[]: one TEST_RESULT row.
inline constexpr K id("id"), time_s("time_s"), ramp("ramp"), step("step"), type("type"),
    sampleTemp("sample_temp_F"), bathTemp("bath_temp_F"), pressure("pressure_psi"),
    shearRate("shear_rate_1ps"), shearStress("shear_stress_dyncm2"), excluded("excluded");
// ramps[]: ramp, sample temperature and pressure as above.
inline constexpr K points("points"), elapsedMin("elapsed_min"), powerLaw("power_law"), bingham("bingham"),
    herschelBulkley("herschel_bulkley"), failure("failure"), viscosities("viscosities"), rate("rate_1ps"),
    visc("visc_cP"), rSquared("r_squared");
inline constexpr K state("state"), nPrime("n_prime"), kPrime("k_prime"), kv("kv"), kSlot("k_slot"),
    kPipe("k_pipe");
inline constexpr K plasticViscosity("plastic_viscosity_cP"), yieldPoint("yield_point_dyncm2"),
    plasticViscosityError("plastic_viscosity_error_cP"), yieldPointError("yield_point_error_dyncm2");
inline constexpr K yieldStress("yield_stress_dyncm2"), k("k"), n("n"),
    yieldStressError("yield_stress_error_dyncm2"), kError("k_error"), nError("n_error"),
    yieldStressAtZero("yield_stress_held_at_zero");
// criteria[]: shear rate as above.
inline constexpr K limit("limit"), limitCp("limit_cP"), durationMin("duration_min"), minTemp("min_temp_F"),
    viscosity("viscosity"), outcome("outcome"), status("status"), passed("passed"), startMin("start_min"),
    heldMin("held_min"), breakMin("break_min");
// exclusions[] and history[]: time as above.
inline constexpr K readingId("reading_id"), reason("reason"), user("user"), what("what"),
    oldValue("old_value"), newValue("new_value");
}  // namespace key

// Values of the document's words.
namespace word {
using K = QLatin1StringView;
inline constexpr K minimum("min"), maximum("max"), apparent("apparent"), fitted("fitted");
inline constexpr K held("held"), broke("broke"), noValues("no-values"), neverWarm("never-warm");
inline constexpr K valid("valid"), outsideWindow("outside-window"), noGeometry("no-geometry");
}  // namespace word

// A time as the document holds it: ISO 8601 to the second (milliseconds when there are any) with the UTC
// offset the station's time zone has at that time ("2026-12-09T21:55:18+01:00"); null for no time.
QJsonValue timeValue(const QDateTime& time);
// A time of the document as the station's local time; invalid for null or a text that is no such time.
QDateTime localTimeOf(const QJsonValue& value);

// A number for the document: null for one that is not finite (JSON has no NaN or infinity).
QJsonValue number(double value);

}  // namespace lims
