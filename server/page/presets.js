// Models to start from, in the model file's forms.

export const PRESETS = [
  {
    title: 'Two correlated classes',
    model: {
      mu1: [0, 0], mu2: [1.6, 0.9],
      sigma1: [[1, 0.35], [0.35, 0.6]], sigma2: [[1.4, -0.5], [-0.5, 1.1]],
      priors: [0.45, 0.55],
    },
  },
  {
    title: 'The program’s default example',
    model: { mu1: [0, 0], mu2: [1, 0], sigma1: [[1, 0], [0, 1]], sigma2: [[2, 0], [0, 2]], priors: [0.5, 0.5] },
  },
  {
    title: 'Three dimensions',
    model: {
      mu1: [0, 0, 1], mu2: [1, 0, -1],
      sigma1: [[2, 0.3, 0], [0.3, 1, 0], [0, 0, 1]], sigma2: [[1, 0, 0], [0, 1, 0], [0, 0, 4]],
      priors: [0.3, 0.7],
    },
  },
  {
    title: 'Four land-cover classes',
    model: {
      classes: [
        { name: 'water', mean: [1.2, 1.0], covariance: [[0.25, 0.05], [0.05, 0.2]], prior: 0.2 },
        { name: 'urban', mean: [3.8, 5.3], covariance: [[1.3, -0.5], [-0.5, 1.4]], prior: 0.25 },
        { name: 'bare soil', mean: [6.8, 4.6], covariance: [[0.5, 0.35], [0.35, 1.1]], prior: 0.15 },
        { name: 'forest', mean: [4.6, 1.8], covariance: [[1.0, 0.55], [0.55, 0.7]], prior: 0.4 },
      ],
    },
  },
  {
    title: 'One dimension',
    model: { mu1: [0], mu2: [2], sigma1: [[1]], sigma2: [[2.5]], priors: [0.5, 0.5] },
  },
];
