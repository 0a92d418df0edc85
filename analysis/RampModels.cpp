#include "analysis/RampModels.h"

#include <gsl/gsl_blas.h>
#include <gsl/gsl_errno.h>
#include <gsl/gsl_matrix.h>
#include <gsl/gsl_multifit_nlinear.h>
#include <gsl/gsl_vector.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

namespace {

constexpr double kPoisePerCentipoise = 0.01;
constexpr int kMaxIterations = 200;

QString tooFewPoints(std::size_t points) {
    return QStringLiteral("%1 ramp point%2; a fit needs at least %3")
        .arg(points)
        .arg(points == 1 ? QString() : QStringLiteral("s"))
        .arg(kMinRampPoints);
}

const QString kOneShearRate = QStringLiteral("every ramp point has the same shear rate");
const QString kNoAdmissibleCurve = QStringLiteral("no curve with K > 0 and n > 0 fits the ramp points");

// Why no curve can be fitted through the points at all; empty when one may be.
QString pointsProblem(const RampPoints& ramp) {
    if (ramp.size() < static_cast<std::size_t>(kMinRampPoints)) return tooFewPoints(ramp.size());
    const auto [low, high] = std::minmax_element(ramp.shearRate_1ps.begin(), ramp.shearRate_1ps.end());
    if (!(*high > *low)) return kOneShearRate;
    return {};
}

double mean(std::span<const double> values) {
    double sum = 0;
    for (double v : values) sum += v;
    return sum / static_cast<double>(values.size());
}

// Sum of squares of the stresses about their mean.
double totalSquares(std::span<const double> stress) {
    const double m = mean(stress);
    double sum = 0;
    for (double s : stress) sum += (s - m) * (s - m);
    return sum;
}

double rSquaredOf(double residualSquares, double totalSquares) {
    if (!(totalSquares > 0)) return kNoValue;  // every stress equal: nothing to explain
    return 1.0 - residualSquares / totalSquares;
}

// ---- Herschel-Bulkley ----------------------------------------------------------------------------------
//
// The curve is fitted as stress = tau0 + A * (rate / rateRef)^n with rateRef the geometric mean of the
// rates, which keeps A and n nearly independent (K and n of the plain form are strongly correlated); then
// K = A * rateRef^-n. The bound tau0 >= 0 is kept by active set: the fit is made free, and where that puts
// tau0 below 0 (or gives no admissible curve) it is made again with tau0 held at 0, where the least squares
// under the bound then lie.

struct CurvePoints {
    std::vector<double> rate;  // rate / rateRef
    std::span<const double> stress;
    bool tau0Held = false;
};

struct Curve {
    double tau0 = 0, a = 0, n = 0;
};

Curve curveOf(const gsl_vector* p, const CurvePoints& points) {
    if (points.tau0Held) return {0.0, gsl_vector_get(p, 0), gsl_vector_get(p, 1)};
    return {gsl_vector_get(p, 0), gsl_vector_get(p, 1), gsl_vector_get(p, 2)};
}

int curveResiduals(const gsl_vector* p, void* data, gsl_vector* f) {
    const auto& points = *static_cast<const CurvePoints*>(data);
    const Curve c = curveOf(p, points);
    for (std::size_t i = 0; i < points.rate.size(); ++i) {
        const double r = c.tau0 + c.a * std::pow(points.rate[i], c.n) - points.stress[i];
        if (!std::isfinite(r)) return GSL_EDOM;
        gsl_vector_set(f, i, r);
    }
    return GSL_SUCCESS;
}

int curveJacobian(const gsl_vector* p, void* data, gsl_matrix* jacobian) {
    const auto& points = *static_cast<const CurvePoints*>(data);
    const Curve c = curveOf(p, points);
    const std::size_t first = points.tau0Held ? 0 : 1;
    for (std::size_t i = 0; i < points.rate.size(); ++i) {
        const double power = std::pow(points.rate[i], c.n);
        if (!points.tau0Held) gsl_matrix_set(jacobian, i, 0, 1.0);
        gsl_matrix_set(jacobian, i, first, power);
        gsl_matrix_set(jacobian, i, first + 1, c.a * power * std::log(points.rate[i]));
    }
    return GSL_SUCCESS;
}

struct CurveFit {
    bool converged = false;
    int status = GSL_SUCCESS;  // of the iteration
    Curve curve;
    double residualSquares = kNoValue;
    std::array<std::array<double, 3>, 3> covariance{};  // of (tau0, A, n), unscaled: (J'J)^-1
    int iterations = 0;
};

struct WorkspaceFree {
    void operator()(gsl_multifit_nlinear_workspace* w) const { gsl_multifit_nlinear_free(w); }
};
struct MatrixFree {
    void operator()(gsl_matrix* m) const { gsl_matrix_free(m); }
};
struct VectorFree {
    void operator()(gsl_vector* v) const { gsl_vector_free(v); }
};

// A start for the iteration: the yield stress at a few fractions of the lowest stress, each with the
// straight line in log-log space through what remains, the one closest to the points in stress winning.
Curve startingCurve(const CurvePoints& points, bool tau0Free) {
    const double lowest = *std::min_element(points.stress.begin(), points.stress.end());
    Curve best{0.0, mean(points.stress), 1.0};
    double bestSquares = std::numeric_limits<double>::infinity();
    const std::size_t count = points.rate.size();
    std::vector<double> x(count), y(count);
    for (double fraction : {0.0, 0.2, 0.4, 0.6, 0.8, 0.9, 0.95}) {
        if (fraction > 0 && !tau0Free) break;
        const double tau0 = fraction * lowest;
        for (std::size_t i = 0; i < count; ++i) {
            x[i] = std::log(points.rate[i]);
            y[i] = std::log(points.stress[i] - tau0);
        }
        const double mx = mean(x), my = mean(y);
        double sxx = 0, sxy = 0;
        for (std::size_t i = 0; i < count; ++i) {
            sxx += (x[i] - mx) * (x[i] - mx);
            sxy += (x[i] - mx) * (y[i] - my);
        }
        const double n = sxy / sxx;
        const Curve c{tau0, std::exp(my - n * mx), n};
        double squares = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const double r = c.tau0 + c.a * std::pow(points.rate[i], c.n) - points.stress[i];
            squares += r * r;
        }
        if (std::isfinite(squares) && squares < bestSquares) {
            bestSquares = squares;
            best = c;
        }
    }
    return best;
}

CurveFit fitCurve(CurvePoints& points, bool tau0Free) {
    points.tau0Held = !tau0Free;
    const std::size_t count = points.rate.size();
    const std::size_t parameters = tau0Free ? 3 : 2;
    CurveFit result;
    if (count < parameters) return result;

    gsl_multifit_nlinear_fdf fdf{};
    fdf.f = curveResiduals;
    fdf.df = curveJacobian;
    fdf.fvv = nullptr;
    fdf.n = count;
    fdf.p = parameters;
    fdf.params = &points;
    gsl_multifit_nlinear_parameters settings = gsl_multifit_nlinear_default_parameters();
    const std::unique_ptr<gsl_multifit_nlinear_workspace, WorkspaceFree> work(
        gsl_multifit_nlinear_alloc(gsl_multifit_nlinear_trust, &settings, count, parameters));
    const std::unique_ptr<gsl_vector, VectorFree> start(gsl_vector_alloc(parameters));
    if (!work || !start) return result;

    const Curve s = startingCurve(points, tau0Free);
    std::size_t at = 0;
    if (tau0Free) gsl_vector_set(start.get(), at++, s.tau0);
    gsl_vector_set(start.get(), at++, s.a);
    gsl_vector_set(start.get(), at, s.n);
    if (gsl_multifit_nlinear_init(start.get(), &fdf, work.get()) != GSL_SUCCESS) return result;
    int why = 0;
    const int status =
        gsl_multifit_nlinear_driver(kMaxIterations, 1e-10, 1e-10, 0.0, nullptr, nullptr, &why, work.get());
    result.iterations = static_cast<int>(gsl_multifit_nlinear_niter(work.get()));
    result.status = status;
    if (status != GSL_SUCCESS) return result;

    const gsl_vector* solution = gsl_multifit_nlinear_position(work.get());
    const gsl_vector* residuals = gsl_multifit_nlinear_residual(work.get());
    result.curve = curveOf(solution, points);
    double squares = 0;
    gsl_blas_ddot(residuals, residuals, &squares);
    result.residualSquares = squares;

    const std::unique_ptr<gsl_matrix, MatrixFree> covariance(gsl_matrix_alloc(parameters, parameters));
    if (covariance && gsl_multifit_nlinear_covar(gsl_multifit_nlinear_jac(work.get()), 0.0,
                                                 covariance.get()) == GSL_SUCCESS) {
        // Rows and columns of (A, n) move one place on when tau0 is held.
        const std::size_t shift = tau0Free ? 0 : 1;
        for (auto& row : result.covariance) row.fill(0.0);
        for (std::size_t i = 0; i < parameters; ++i)
            for (std::size_t j = 0; j < parameters; ++j)
                result.covariance[i + shift][j + shift] = gsl_matrix_get(covariance.get(), i, j);
    } else {
        for (auto& row : result.covariance) row.fill(kNoValue);
    }
    const Curve& c = result.curve;
    result.converged =
        std::isfinite(squares) && std::isfinite(c.tau0) && std::isfinite(c.a) && std::isfinite(c.n);
    return result;
}

bool admissible(const CurveFit& fit) {
    return fit.converged && fit.curve.tau0 >= 0 && fit.curve.a > 0 && fit.curve.n > 0;
}

double squareRootOrNothing(double variance) {
    return variance >= 0 && std::isfinite(variance) ? std::sqrt(variance) : kNoValue;
}

}  // namespace

double PipeConsistency(double kv, double nPrime) {
    return kv * std::pow((3.0 * nPrime + 1.0) / (4.0 * nPrime), nPrime);
}

double BinghamFit::viscosityAt(double rate_1ps) const {
    if (!fitted()) return kNoValue;
    return plasticViscosity_cP + 100.0 * yieldPoint_dyncm2 / rate_1ps;
}

double HerschelBulkleyFit::viscosityAt(double rate_1ps) const {
    if (!fitted()) return kNoValue;
    return 100.0 * (yieldStress_dyncm2 + k_dynsncm2 * std::pow(rate_1ps, n)) / rate_1ps;
}

BinghamFit FitBingham(const RampPoints& ramp) {
    BinghamFit fit;
    fit.failure = pointsProblem(ramp);
    if (!fit.failure.isEmpty()) return fit;
    const std::span<const double> x = ramp.shearRate_1ps, y = ramp.shearStress_dyncm2;
    const double count = static_cast<double>(x.size());
    const double mx = mean(x), my = mean(y);
    double sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sxx += (x[i] - mx) * (x[i] - mx);
        sxy += (x[i] - mx) * (y[i] - my);
    }
    const double slope = sxy / sxx;  // poise
    const double intercept = my - slope * mx;
    double residualSquares = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double r = y[i] - intercept - slope * x[i];
        residualSquares += r * r;
    }
    const double variance = residualSquares / (count - 2.0);
    fit.plasticViscosity_cP = slope / kPoisePerCentipoise;
    fit.yieldPoint_dyncm2 = intercept;
    fit.rSquared = rSquaredOf(residualSquares, totalSquares(y));
    fit.plasticViscosityError_cP = squareRootOrNothing(variance / sxx) / kPoisePerCentipoise;
    fit.yieldPointError_dyncm2 = squareRootOrNothing(variance * (1.0 / count + mx * mx / sxx));
    return fit;
}

HerschelBulkleyFit FitHerschelBulkley(const RampPoints& ramp) {
    HerschelBulkleyFit fit;
    fit.failure = pointsProblem(ramp);
    if (!fit.failure.isEmpty()) return fit;
    // GSL's default handler aborts the program on a singular matrix; here every status is looked at.
    gsl_set_error_handler_off();

    double logSum = 0;
    for (double rate : ramp.shearRate_1ps) logSum += std::log(rate);
    const double rateRef = std::exp(logSum / static_cast<double>(ramp.size()));
    CurvePoints points;
    points.stress = ramp.shearStress_dyncm2;
    for (double rate : ramp.shearRate_1ps) points.rate.push_back(rate / rateRef);

    const CurveFit free = fitCurve(points, true);
    CurveFit chosen = free;
    if (!admissible(free)) {
        const CurveFit held = fitCurve(points, false);
        chosen = held;
        fit.yieldStressAtBound = true;
    }
    fit.iterations = chosen.iterations;
    if (!chosen.converged) {
        fit.failure =
            chosen.status == GSL_EMAXITER || chosen.status == GSL_SUCCESS
                ? QStringLiteral("no convergence in %1 iterations").arg(kMaxIterations)
                : QStringLiteral("no convergence: %1").arg(QString::fromUtf8(gsl_strerror(chosen.status)));
        return fit;
    }
    if (!admissible(chosen)) {
        fit.failure = kNoAdmissibleCurve;
        return fit;
    }

    const Curve& c = chosen.curve;
    const double scaleToK = std::pow(rateRef, -c.n);
    // Rates nearly alike admit an n so steep that K no longer has a number.
    if (!(std::isfinite(c.a * scaleToK) && c.a * scaleToK > 0)) {
        fit.failure = kNoAdmissibleCurve;
        return fit;
    }
    fit.yieldStress_dyncm2 = c.tau0;
    fit.k_dynsncm2 = c.a * scaleToK;
    fit.n = c.n;
    fit.rSquared = rSquaredOf(chosen.residualSquares, totalSquares(ramp.shearStress_dyncm2));

    const int freeParameters = fit.yieldStressAtBound ? 2 : 3;
    const double degrees = static_cast<double>(ramp.size()) - freeParameters;
    if (degrees > 0) {
        const double variance = chosen.residualSquares / degrees;
        const auto& v = chosen.covariance;
        // K = A * rateRef^-n: its variance by the gradient (dK/dA, dK/dn) = (scale, -K ln rateRef).
        const double dA = scaleToK, dN = -fit.k_dynsncm2 * std::log(rateRef);
        const double varianceK = dA * dA * v[1][1] + 2 * dA * dN * v[1][2] + dN * dN * v[2][2];
        if (!fit.yieldStressAtBound) fit.yieldStressError_dyncm2 = squareRootOrNothing(variance * v[0][0]);
        fit.kError_dynsncm2 = squareRootOrNothing(variance * varianceK);
        fit.nError = squareRootOrNothing(variance * v[2][2]);
    }
    return fit;
}

double RampModelFits::viscosityAt(RampModel model, double rate_1ps) const {
    switch (model) {
        case RampModel::PowerLaw:
            return powerLaw ? powerLaw->viscosityAt(rate_1ps) : kNoValue;
        case RampModel::Bingham:
            return bingham.viscosityAt(rate_1ps);
        case RampModel::HerschelBulkley:
            return herschelBulkley.viscosityAt(rate_1ps);
    }
    return kNoValue;
}

QString RampModelFits::failure(RampModel model) const {
    switch (model) {
        case RampModel::PowerLaw:
            return powerLaw ? QString() : tooFewPoints(static_cast<std::size_t>(pointCount));
        case RampModel::Bingham:
            return bingham.failure;
        case RampModel::HerschelBulkley:
            return herschelBulkley.failure;
    }
    return {};
}

RampModelFits fitRampModels(const RampPoints& ramp, const RampFit* powerLaw) {
    RampModelFits fits;
    fits.rampNo = ramp.rampNo;
    fits.pointCount = static_cast<int>(ramp.size());
    fits.stoppedAt = ramp.stoppedAt;
    if (powerLaw) {
        fits.powerLaw = *powerLaw;
        if (powerLaw->Valid) fits.kPipe = PipeConsistency(powerLaw->Kv, powerLaw->NPrime);
    }
    fits.bingham = FitBingham(ramp);
    fits.herschelBulkley = FitHerschelBulkley(ramp);
    return fits;
}

std::vector<RampModelFits> FitRampModels(std::span<const RampPoints> ramps,
                                         std::span<const RampFit> powerLaw) {
    std::vector<RampModelFits> all;
    all.reserve(ramps.size());
    std::size_t next = 0;  // both lists are in ramp order
    for (const RampPoints& ramp : ramps) {
        while (next < powerLaw.size() && powerLaw[next].RampNo < ramp.rampNo) ++next;
        const RampFit* fit =
            next < powerLaw.size() && powerLaw[next].RampNo == ramp.rampNo ? &powerLaw[next] : nullptr;
        all.push_back(fitRampModels(ramp, fit));
    }
    return all;
}
