// The Messages panel: the garden's console, line for line as it prints
// them, and the page's own word in its own colour. On a small screen the
// panel is folded away, and opens when the garden prints its help or fails.
const panel = document.getElementById('messages');
const log = document.getElementById('console');
const HELP_FIRST_LINE = 'Keyboard commands:';

const small = window.matchMedia('(max-width: 720px), (max-height: 520px)');
panel.open = !small.matches;

export function openMessages() {
  panel.open = true;
}

// kind: 'out' (the garden's standard output), 'err' (its standard error)
// or 'page'.
export function showLine(text, kind) {
  const line = document.createElement('span');
  line.className = kind;
  line.textContent = text + '\n';
  const atBottom = log.scrollHeight - log.scrollTop - log.clientHeight < 4;
  log.append(line);
  if (atBottom) log.scrollTop = log.scrollHeight;
  if (kind === 'err' || (kind === 'out' && text === HELP_FIRST_LINE)) openMessages();
}
