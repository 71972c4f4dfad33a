{ ?turn }
