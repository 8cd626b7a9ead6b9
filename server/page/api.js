// Talking to the server that serves this page: JSON requests to its /api/
// paths, the figures it draws as files, and saving bytes as a download.

// An answer other than 2xx, with the server's own message when it sent one.
export class ApiError extends Error {
  constructor(status, message) {
    super(message);
    this.status = status;
  }
}

async function post(path, body) {
  const response = await fetch(path, {
    method: 'POST',
    headers: { 'Content-Type': 'application/json' },
    body: JSON.stringify(body),
  });
  if (response.ok) return response;
  let message = `${response.status} ${response.statusText}`;
  try {
    message = (await response.json()).error ?? message;
  } catch {
    // Not JSON: the status line says what happened.
  }
  throw new ApiError(response.status, message);
}

export const postJson = async (path, body) => (await post(path, body)).json();

export const getJson = async (path) => (await fetch(path)).json();

// The figure's file (kind plane, chernoff, roc or zroc; format svg, png or
// pdf) as the plot module draws it.
export const figureBlob = async (request) => (await post('/api/figure', request)).blob();

// Offers blob to the user as a file called name.
export function saveBlob(blob, name) {
  const url = URL.createObjectURL(blob);
  const link = document.createElement('a');
  link.href = url;
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10000);
}
