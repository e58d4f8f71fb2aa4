#include "fill/colour_decorrelation.h"

#include <cmath>
#include <cstdint>

namespace stochastic {

namespace {

struct Symmetric {
  double a[3][3];
  double vectors[3][3];  // column k is the eigenvector of a[k][k] once diagonal
};

// One rotation in the (p, q) plane that zeroes a[p][q] (Golub and Van Loan's
// symmetric Schur decomposition).
void rotate(Symmetric& m, int p, int q) {
  const double apq = m.a[p][q];
  if (apq == 0.0) return;
  const double tau = (m.a[q][q] - m.a[p][p]) / (2.0 * apq);
  const double t = (tau >= 0 ? 1.0 : -1.0) / (std::fabs(tau) + std::sqrt(1.0 + tau * tau));
  const double c = 1.0 / std::sqrt(1.0 + t * t);
  const double s = t * c;
  for (int k = 0; k < 3; ++k) {
    const double akp = m.a[k][p];
    const double akq = m.a[k][q];
    m.a[k][p] = c * akp - s * akq;
    m.a[k][q] = s * akp + c * akq;
  }
  for (int k = 0; k < 3; ++k) {
    const double apk = m.a[p][k];
    const double aqk = m.a[q][k];
    m.a[p][k] = c * apk - s * aqk;
    m.a[q][k] = s * apk + c * aqk;
  }
  for (int k = 0; k < 3; ++k) {
    const double vkp = m.vectors[k][p];
    const double vkq = m.vectors[k][q];
    m.vectors[k][p] = c * vkp - s * vkq;
    m.vectors[k][q] = s * vkp + c * vkq;
  }
}

void diagonalise(Symmetric& m) {
  for (int sweep = 0; sweep < 32; ++sweep) {
    const double off = std::fabs(m.a[0][1]) + std::fabs(m.a[0][2]) + std::fabs(m.a[1][2]);
    const double diagonal = std::fabs(m.a[0][0]) + std::fabs(m.a[1][1]) + std::fabs(m.a[2][2]);
    if (off <= diagonal * 1e-15) return;
    rotate(m, 0, 1);
    rotate(m, 0, 2);
    rotate(m, 1, 2);
  }
}

void invert(const std::int32_t axis[3][3], double inverse[3][3]) {
  double m[3][3];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) m[r][c] = static_cast<double>(axis[r][c]) / kAxisOne;
  const double cofactor[3][3] = {{m[1][1] * m[2][2] - m[1][2] * m[2][1], m[1][2] * m[2][0] - m[1][0] * m[2][2],
                                  m[1][0] * m[2][1] - m[1][1] * m[2][0]},
                                 {m[0][2] * m[2][1] - m[0][1] * m[2][2], m[0][0] * m[2][2] - m[0][2] * m[2][0],
                                  m[0][1] * m[2][0] - m[0][0] * m[2][1]},
                                 {m[0][1] * m[1][2] - m[0][2] * m[1][1], m[0][2] * m[1][0] - m[0][0] * m[1][2],
                                  m[0][0] * m[1][1] - m[0][1] * m[1][0]}};
  const double determinant = m[0][0] * cofactor[0][0] + m[0][1] * cofactor[0][1] + m[0][2] * cofactor[0][2];
  // inverse = adjugate / determinant, the adjugate being the transposed cofactors.
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) inverse[r][c] = cofactor[c][r] / determinant;
}

}  // namespace

ColourAxes principalColourAxes(const TexelBlock& block) {
  std::int64_t sums[3] = {0, 0, 0};
  std::int64_t products[3][3] = {};
  for (std::int32_t y = 0; y < block.height; ++y) {
    const std::uint8_t* row = texelRow(block, y);
    for (std::int32_t x = 0; x < block.width; ++x) {
      const std::int64_t c[3] = {row[3 * x], row[3 * x + 1], row[3 * x + 2]};
      for (int i = 0; i < 3; ++i) {
        sums[i] += c[i];
        for (int j = i; j < 3; ++j) products[i][j] += c[i] * c[j];
      }
    }
  }
  const double count = static_cast<double>(block.width) * block.height;
  ColourAxes axes{};
  Symmetric m{};
  for (int i = 0; i < 3; ++i) {
    axes.mean[i] = static_cast<double>(sums[i]) / count;
    m.vectors[i][i] = 1.0;
  }
  // N^2 times the covariance: the scale does not change the eigenvectors.
  for (int i = 0; i < 3; ++i) {
    for (int j = i; j < 3; ++j) {
      const double scaled =
          static_cast<double>(products[i][j]) * count - static_cast<double>(sums[i]) * static_cast<double>(sums[j]);
      m.a[i][j] = scaled;
      m.a[j][i] = scaled;
    }
  }
  diagonalise(m);

  int order[3] = {0, 1, 2};
  for (int i = 0; i < 3; ++i)
    for (int j = i + 1; j < 3; ++j)
      if (m.a[order[j]][order[j]] > m.a[order[i]][order[i]]) {
        const int swap = order[i];
        order[i] = order[j];
        order[j] = swap;
      }
  for (int k = 0; k < 3; ++k) {
    const int column = order[k];
    // The sign of an eigenvector is arbitrary: make its largest component
    // positive, so that the first axis reads as brightness.
    int largest = 0;
    for (int c = 1; c < 3; ++c)
      if (std::fabs(m.vectors[c][column]) > std::fabs(m.vectors[largest][column])) largest = c;
    const double sign = m.vectors[largest][column] < 0 ? -1.0 : 1.0;
    for (int c = 0; c < 3; ++c)
      axes.axis[k][c] = static_cast<std::int32_t>(std::floor(sign * m.vectors[c][column] * kAxisOne + 0.5));
  }
  invert(axes.axis, axes.inverse);
  return axes;
}

}  // namespace stochastic
